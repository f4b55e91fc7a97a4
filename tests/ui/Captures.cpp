#include "Captures.h"

#include "design/Apparence.h"
#include "design/Couleurs.h"
#include "design/Polices.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Room for another build of the raster engine or FreeType to round antialiased edges differently; this
// machine draws the same pixels on every run and every CPU path.
constexpr int ecartCanalTolere = 8;
constexpr double partPixelsToleree = 0.0002;

const QString dossierReferences = QStringLiteral(VALTO_DOSSIER_REFERENCES);
const QString dossierCaptures = QStringLiteral(VALTO_DOSSIER_CAPTURES);

// "fenetre-refus du serveur" gives "fenetre-refus-du-serveur": no spaces nor accents in file names.
QString nomFichier(const QString& nom)
{
    QString sortie = nom.normalized(QString::NormalizationForm_D).toLower();
    sortie.remove(QRegularExpression(u"\\p{M}"_s));
    return sortie.replace(QRegularExpression(u"[^a-z0-9]+"_s), u"-"_s);
}

template <typename T> QString taille(const T& objet)
{
    return u"%1 × %2"_s.arg(objet.width()).arg(objet.height());
}

QString verifier(const QImage& obtenue, const QString& nom)
{
    const QString chemin = dossierCaptures + u'/' + nom;
    const QString cheminReference = dossierReferences + u'/' + nom + u".png"_s;
    obtenue.save(chemin + u".png"_s);
    QFile::remove(chemin + u"-ecarts.png"_s);
    if (qEnvironmentVariable("VALTO_REFERENCES") == u"ecrire"_s) {
        // Strongest compression: the references live in the repository.
        return obtenue.save(cheminReference, "PNG", 0) ? QString()
                                                       : cheminReference + u" : écriture impossible"_s;
    }
    const QImage reference = QImage(cheminReference).convertToFormat(QImage::Format_RGB32);
    if (reference.isNull()) {
        return u"%1 : pas de référence %2 ; créez-la avec scripts/references.sh, regardez-la, versionnez-la"_s
            .arg(nom, cheminReference);
    }
    // The changed pixels in red over the reference faded to grey; beyond either picture, every pixel changed.
    QImage carte(obtenue.size().expandedTo(reference.size()), QImage::Format_RGB32);
    qsizetype changes = 0;
    for (int y = 0; y < carte.height(); ++y) {
        for (int x = 0; x < carte.width(); ++x) {
            const bool dansLesDeux = obtenue.rect().contains(x, y) && reference.rect().contains(x, y);
            const QRgb a = dansLesDeux ? obtenue.pixel(x, y) : 0;
            const QRgb b = dansLesDeux ? reference.pixel(x, y) : 0xffffff;
            const bool change = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                          std::abs(qBlue(a) - qBlue(b))}) > ecartCanalTolere;
            changes += change;
            const int gris = 192 + qGray(b) / 4;
            carte.setPixel(x, y, change ? qRgb(255, 0, 0) : qRgb(gris, gris, gris));
        }
    }
    const qsizetype toleres = qFloor(partPixelsToleree * obtenue.width() * obtenue.height());
    if (obtenue.size() == reference.size() && changes <= toleres) {
        return {};
    }
    carte.save(chemin + u"-ecarts.png"_s);
    return u"%1 : %2 pour %3, %4 pixels changés (%5 tolérés) ; voir %6.png et %6-ecarts.png"_s.arg(
        nom, taille(obtenue), taille(reference), QString::number(changes), QString::number(toleres), chemin);
}

QString etats(const QAccessible::State& etat)
{
    QStringList noms;
    for (const auto& [actif, nom] : {std::pair(bool(etat.disabled), "désactivé"),
                                     {etat.focusable, "focalisable"},
                                     {etat.checkable, "cochable"},
                                     {etat.checked, "coché"},
                                     {etat.passwordEdit, "masqué"},
                                     {etat.editable && !etat.readOnly, "modifiable"},
                                     {etat.editable && etat.readOnly, "lecture seule"},
                                     {etat.selectableText, "texte sélectionnable"}}) {
        if (actif) {
            noms.append(QString::fromUtf8(nom));
        }
    }
    return noms.join(u", "_s);
}

// One line per element a screen reader meets: role, name, description, value, states and actions. Nameless
// containers with nothing to tell are skipped, so that a layout's nesting does not show.
void lireElement(QAccessibleInterface* element, const QWidget& racine, int profondeur, QStringList& lignes)
{
    const auto* widget = qobject_cast<const QWidget*>(element->object());
    if (widget ? !widget->isVisibleTo(&racine) && widget != &racine : element->state().invisible) {
        return;
    }
    const QString nom = element->text(QAccessible::Name);
    QString ligne = nom.isEmpty() ? QString() : u" « %1 »"_s.arg(nom);
    if (const QString description = element->text(QAccessible::Description);
        !description.isEmpty() && description != nom) {
        ligne += u" (%1)"_s.arg(description);
    }
    if (const QString valeur = element->text(QAccessible::Value); !valeur.isEmpty()) {
        ligne += u" = "_s + valeur;
    }
    if (const QString lesEtats = etats(element->state()); !lesEtats.isEmpty()) {
        ligne += u" ; "_s + lesEtats;
    }
    const QAccessibleActionInterface* actions = element->actionInterface();
    if (actions && !actions->actionNames().isEmpty()) {
        ligne += u" ; actions : "_s + actions->actionNames().join(u", "_s);
    }
    const bool muet = ligne.isEmpty() && element->role() == QAccessible::Client;
    if (!muet) {
        const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(element->role());
        lignes.append(QString(profondeur * 2, u' ') + QString::fromLatin1(role) + ligne);
    }
    for (int i = 0; i < element->childCount(); ++i) {
        if (QAccessibleInterface* enfant = element->child(i)) {
            lireElement(enfant, racine, profondeur + (muet ? 0 : 1), lignes);
        }
    }
}

// The order Tab walks through the widget's controls, by their accessible names.
QStringList ordreTabulation(QWidget& racine)
{
    QStringList ordre;
    for (QWidget* w = racine.nextInFocusChain(); w != &racine; w = w->nextInFocusChain()) {
        if (racine.isAncestorOf(w) && w->isVisibleTo(&racine) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            const QString nom = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            ordre.append(u"  "_s + (nom.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : nom));
        }
    }
    return ordre;
}

// The keyboard's and the screen reader's view of the state and the sizes the widget accepts, compared as
// text: a lost name, role or Tab stop, or a dialog that turns resizable, leaves no trace in the pictures.
QString verifierLecture(QWidget& widget, const QString& nom)
{
    QStringList lignes;
    lireElement(QAccessible::queryAccessibleInterface(&widget), widget, 0, lignes);
    lignes << u"Tabulation :"_s << ordreTabulation(widget);
    lignes << u"Taille : de %1 à %2"_s.arg(taille(widget.minimumSize()), taille(widget.maximumSize()));
    const QByteArray obtenue = lignes.join(u'\n').toUtf8() + '\n';
    const QString chemin = dossierCaptures + u'/' + nom + u".txt"_s;
    const QString cheminReference = dossierReferences + u'/' + nom + u".txt"_s;
    const bool ecrire = qEnvironmentVariable("VALTO_REFERENCES") == u"ecrire"_s;
    for (const QString& cible : ecrire ? QStringList{chemin, cheminReference} : QStringList{chemin}) {
        QFile fichier(cible);
        if (!fichier.open(QIODevice::WriteOnly) || fichier.write(obtenue) != obtenue.size()) {
            return cible + u" : écriture impossible"_s;
        }
    }
    QFile reference(cheminReference);
    if (!reference.open(QIODevice::ReadOnly)) {
        return u"%1 : pas de référence %2 ; créez-la avec scripts/references.sh"_s.arg(nom, cheminReference);
    }
    return reference.readAll() == obtenue
               ? QString()
               : u"%1 : la lecture accessible a changé ; comparez %2 à %3 (diff)"_s.arg(nom, chemin,
                                                                                        cheminReference);
}

} // namespace

namespace Captures {

QString comparer(QWidget& widget, const QString& nom)
{
    // The pictures are only comparable drawn with the typeface the test main pins.
    if (const QString famille = QFontInfo(Polices::texte(13)).family(); famille != u"DejaVu Sans"_s) {
        return u"le texte s’affiche en « %1 » et non en DejaVu Sans : installez fonts-dejavu-core "
               u"(scripts/setup.sh)"_s.arg(famille);
    }
    QDir().mkpath(dossierCaptures);
    // Only pending layouts: a comparison may run inside a flow's signal, which must not move on meanwhile.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList ecarts;
    for (const auto& [mode, suffixe] :
         {std::pair(Apparence::Mode::sombre, u"-sombre"_s), std::pair(Apparence::Mode::clair, u"-clair"_s)}) {
        Apparence::instance().forcer(mode);
        QImage rendu(widget.size(), QImage::Format_RGB32);
        rendu.fill(Couleurs::fondPage().couleur());
        widget.render(&rendu, {}, {}, QWidget::DrawChildren);
        ecarts.append(verifier(rendu, nomFichier(nom) + suffixe));
    }
    ecarts.append(verifierLecture(widget, nomFichier(nom)));
    ecarts.removeAll(QString());
    return ecarts.join(u'\n');
}

} // namespace Captures
