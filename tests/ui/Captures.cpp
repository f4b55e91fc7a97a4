#include "Captures.h"

#include "design/Apparence.h"
#include "design/Couleurs.h"
#include "design/Polices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
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

// The pictures are only comparable drawn with the typeface the test main pins.
QString policeManquante()
{
    const QString famille = QFontInfo(Polices::texte(13)).family();
    return famille == u"DejaVu Sans"_s ? QString()
                                       : u"le texte s’affiche en « %1 » et non en DejaVu Sans : installez "
                                         u"fonts-dejavu-core (scripts/setup.sh)"_s.arg(famille);
}

// "fenetre-refus du serveur" gives "fenetre-refus-du-serveur": no spaces nor accents in file names.
QString nomFichier(const QString& nom)
{
    QString sortie = nom.normalized(QString::NormalizationForm_D).toLower();
    sortie.remove(QRegularExpression(u"\\p{M}"_s));
    return sortie.replace(QRegularExpression(u"[^a-z0-9]+"_s), u"-"_s);
}

// The widget as drawn now, at 1×.
QImage image(QWidget& widget)
{
    QImage rendu(widget.size(), QImage::Format_RGB32);
    rendu.fill(Couleurs::fondPage().couleur());
    widget.render(&rendu, {}, {}, QWidget::DrawChildren);
    return rendu;
}

QString taille(const QImage& image)
{
    return u"%1 × %2"_s.arg(image.width()).arg(image.height());
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

} // namespace

namespace Captures {

QString comparer(QWidget& widget, const QString& nom)
{
    if (const QString manque = policeManquante(); !manque.isEmpty()) {
        return manque;
    }
    QDir().mkpath(dossierCaptures);
    // Only pending layouts: a comparison may run inside a flow's signal, which must not move on meanwhile.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList ecarts;
    for (const auto& [mode, suffixe] :
         {std::pair(Apparence::Mode::sombre, u"-sombre"_s), std::pair(Apparence::Mode::clair, u"-clair"_s)}) {
        Apparence::instance().forcer(mode);
        ecarts.append(verifier(image(widget), nomFichier(nom) + suffixe));
    }
    ecarts.removeAll(QString());
    return ecarts.join(u'\n');
}

} // namespace Captures
