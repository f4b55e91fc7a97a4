#include "Emplacement.h"

#include "DepotFichiers.h"
#include "TransitionSurvol.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Icones.h"
#include "design/Polices.h"
#include "design/SelecteurFichiers.h"
#include "design/ValtoButton.h"
#include "flow/TransferFlow.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
constexpr int hauteurMinimale = 180;
constexpr qreal marge = 12;
constexpr qreal rayon = 14;
constexpr qreal espacement = 8;
constexpr qreal tailleSymbole = 22;
const QString indication = u"JPG · PNG · PDF"_s;

// As the flow reads it: after the last dot of the name, a leading dot ("".jpg") being no extension.
QString extensionMinuscule(const QString& chemin)
{
    const QString nom = QFileInfo(chemin).fileName();
    const qsizetype point = nom.lastIndexOf(u'.');
    return point > 0 ? nom.mid(point + 1).toLower() : QString();
}

struct Lignes {
    QFont titre = Polices::capitalesEspacees(11);
    QFont nom = Polices::texte(13, QFont::Medium);
    QFont indication = Polices::texte(11);
    qreal hauteurTitre = QFontMetricsF(titre).height();
    qreal coteSymbole = Icones::cotePour(tailleSymbole);
    qreal hauteurNom = QFontMetricsF(nom).height();
};

} // namespace

Emplacement::Emplacement(const QString& titre, const QString& sousTitre, QWidget* parent)
    : ControleValto(parent)
    , m_titre(titre)
    , m_sousTitre(sousTitre)
    , m_survol(new TransitionSurvol(this))
    , m_retirer(new ValtoButton(u"Retirer"_s, ValtoButton::Role::ghost, ValtoButton::Taille::small, this))
{
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(titre);
    setAction([this] { choisir(); });
    m_retirer->setObjectName(u"retirer"_s);
    m_retirer->setAction([this] { setUrl(std::nullopt); });
    m_retirer->hide();
    connect(m_survol, &TransitionSurvol::avancementChange, this, qOverload<>(&QWidget::update));
}

bool Emplacement::survol() const
{
    return m_survol->survol();
}

bool Emplacement::estAcceptable(const QString& chemin)
{
    return !QFileInfo(chemin).isDir() && TransferFlow::extensionsCompare.contains(extensionMinuscule(chemin));
}

QStringList Emplacement::acceptables(const QStringList& chemins)
{
    QStringList gardes;
    for (const QString& chemin : chemins) {
        if (estAcceptable(chemin)) {
            gardes.append(chemin);
        }
    }
    return gardes;
}

void Emplacement::setUrl(const std::optional<QString>& url)
{
    if (url == m_url) {
        return;
    }
    m_url = url;
    m_retirer->setVisible(m_url.has_value());
    placerRetirer();
    update();
    Q_EMIT urlChange();
}

QSize Emplacement::sizeHint() const
{
    return QSize(160, hauteurMinimale);
}

QSize Emplacement::minimumSizeHint() const
{
    return QSize(qRound(m_retirer->sizeHint().width() + 2 * marge), hauteurMinimale);
}

void Emplacement::choisir()
{
    const QStringList chemins = SelecteurFichiers::choisir(
        this, {DemandeFichiers::Genre::unFichier, TransferFlow::extensionsCompare, u"Choisir"_s});
    if (!chemins.isEmpty() && surDepot) {
        surDepot(chemins);
    }
}

void Emplacement::dragEnterEvent(QDragEnterEvent* evenement)
{
    if (cheminsDeposes(evenement->mimeData()).isEmpty()) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
    m_survol->setSurvol(true);
}

void Emplacement::dragMoveEvent(QDragMoveEvent* evenement)
{
    evenement->acceptProposedAction();
}

void Emplacement::dragLeaveEvent(QDragLeaveEvent*)
{
    m_survol->setSurvol(false);
}

void Emplacement::dropEvent(QDropEvent* evenement)
{
    m_survol->setSurvol(false);
    const QStringList gardes = acceptables(cheminsDeposes(evenement->mimeData()));
    if (gardes.isEmpty()) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
    if (surDepot) {
        surDepot(gardes);
    }
}

void Emplacement::resizeEvent(QResizeEvent* evenement)
{
    placerRetirer();
    ControleValto::resizeEvent(evenement);
}

// The column is centred as a whole; the last item is the hint or, once filled, the "Retirer" button.
void Emplacement::placerRetirer()
{
    const Lignes lignes;
    const QSize bouton = m_retirer->sizeHint();
    const qreal hauteur =
        lignes.hauteurTitre + lignes.coteSymbole + lignes.hauteurNom + bouton.height() + 3 * espacement;
    const qreal y = height() / 2.0 - hauteur / 2 + hauteur - bouton.height();
    m_retirer->setGeometry(QRect(QPoint(qRound((width() - bouton.width()) / 2.0), qRound(y)), bouton));
}

void Emplacement::paintEvent(QPaintEvent*)
{
    using namespace Couleurs;
    QPainter peintre(this);
    const QRectF forme = rect();
    const bool rempli = m_url.has_value();
    // A filled slot keeps its look while a drag hovers over it.
    const qreal t = rempli ? 0.0 : m_survol->avancement();
    if (rempli) {
        Formes::remplir(peintre, forme, rayon, champ().couleur());
        Formes::bordureInterieure(peintre, forme, rayon, ligne().couleur());
    } else {
        Formes::remplir(peintre, forme, rayon, melanger(surface().couleur(), surfaceSurvol().couleur(), t));
        Formes::bordureInterieure(
            peintre, forme, rayon,
            melanger(bordurePointillee().couleur(), bordurePointilleeSurvol().couleur(), t), 1.5, 6);
    }

    const Lignes lignes;
    const QRectF contenu = forme.adjusted(marge, 0, -marge, 0);
    // A filled slot names its file on one line; an empty one may wrap its invitation.
    const QString nom = rempli
                            ? QFontMetricsF(lignes.nom)
                                  .elidedText(QFileInfo(*m_url).fileName(), Qt::ElideMiddle, contenu.width())
                            : u"Dépose "_s + m_sousTitre;
    const int coupure = rempli ? 0 : int(Qt::TextWordWrap);
    const QFontMetricsF mesuresNom(lignes.nom);
    // The invitation gets two lines whether it wraps or not, so the two slots, whose invitations differ,
    // keep their lines level.
    const qreal hauteurNom =
        std::max(mesuresNom.boundingRect(QRectF(0, 0, contenu.width(), 1000), coupure, nom).height(),
                 rempli ? 0.0 : 2 * mesuresNom.lineSpacing());
    const qreal hauteurDernier =
        rempli ? m_retirer->sizeHint().height() : QFontMetricsF(lignes.indication).height();
    const qreal hauteur =
        lignes.hauteurTitre + lignes.coteSymbole + hauteurNom + hauteurDernier + 3 * espacement;
    qreal y = forme.center().y() - hauteur / 2;

    peintre.setFont(lignes.titre);
    peintre.setPen(texteAttenue().couleur());
    peintre.drawText(QRectF(contenu.left(), y, contenu.width(), lignes.hauteurTitre), Qt::AlignCenter,
                     Polices::majuscules(m_titre));
    y += lignes.hauteurTitre + espacement;

    const QString symbole = !rempli                                  ? u"arrow.up"_s
                            : extensionMinuscule(*m_url) == u"pdf"_s ? u"doc.richtext"_s
                                                                     : u"photo"_s;
    const QColor couleurSymbole =
        rempli ? texteAttenue().couleur() : melanger(texteDiscret().couleur(), texte().couleur(), t);
    Icones::dessiner(peintre, QRectF(contenu.left(), y, contenu.width(), lignes.coteSymbole), symbole,
                     lignes.coteSymbole, couleurSymbole);
    y += lignes.coteSymbole + espacement;

    peintre.setFont(lignes.nom);
    peintre.setPen(texte().couleur());
    peintre.drawText(QRectF(contenu.left(), y, contenu.width(), hauteurNom), int(Qt::AlignCenter) | coupure,
                     nom);
    y += hauteurNom + espacement;

    if (!rempli) {
        peintre.setFont(lignes.indication);
        peintre.setPen(texteDiscret().couleur());
        peintre.drawText(QRectF(contenu.left(), y, contenu.width(), hauteurDernier), Qt::AlignCenter,
                         indication);
    }
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
