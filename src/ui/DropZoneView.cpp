#include "DropZoneView.h"

#include "DepotFichiers.h"
#include "TransitionSurvol.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Icones.h"
#include "design/Polices.h"
#include "design/SelecteurFichiers.h"

#include <QDragEnterEvent>
#include <QFontMetricsF>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
constexpr int hauteurMinimale = 180;
constexpr qreal marge = 20;
constexpr qreal rayon = 14;
constexpr qreal espacement = 10;
constexpr qreal tailleSymbole = 26;
const QString titre = u"Dépose tes fichiers ici"_s;
const QString sousTitre = u"ou clique pour les choisir"_s;
} // namespace

DropZoneView::DropZoneView(QWidget* parent)
    : ControleValto(parent)
    , m_survol(new TransitionSurvol(this))
{
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(titre);
    setAction([this] { choisir(); });
    connect(m_survol, &TransitionSurvol::avancementChange, this, qOverload<>(&QWidget::update));
}

bool DropZoneView::survol() const
{
    return m_survol->survol();
}

QSize DropZoneView::sizeHint() const
{
    return QSize(QFontMetricsF(Polices::texte(16, QFont::Medium)).horizontalAdvance(titre) + 2 * marge,
                 hauteurMinimale);
}

QSize DropZoneView::minimumSizeHint() const
{
    return QSize(qRound(2 * marge), hauteurMinimale);
}

void DropZoneView::choisir()
{
    const QStringList chemins =
        SelecteurFichiers::choisir(this, {DemandeFichiers::Genre::fichiersEtDossiers, {}, u"Ajouter"_s});
    if (!chemins.isEmpty()) {
        deposer(chemins);
    }
}

void DropZoneView::deposer(const QStringList& chemins)
{
    if (surDepot) {
        surDepot(chemins);
    }
}

void DropZoneView::dragEnterEvent(QDragEnterEvent* evenement)
{
    if (cheminsDeposes(evenement->mimeData()).isEmpty()) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
    m_survol->setSurvol(true);
}

void DropZoneView::dragMoveEvent(QDragMoveEvent* evenement)
{
    evenement->acceptProposedAction();
}

void DropZoneView::dragLeaveEvent(QDragLeaveEvent*)
{
    m_survol->setSurvol(false);
}

void DropZoneView::dropEvent(QDropEvent* evenement)
{
    m_survol->setSurvol(false);
    const QStringList chemins = cheminsDeposes(evenement->mimeData());
    if (chemins.isEmpty()) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
    deposer(chemins);
}

void DropZoneView::paintEvent(QPaintEvent*)
{
    using namespace Couleurs;
    QPainter peintre(this);
    const qreal t = m_survol->avancement();
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, melanger(surface().couleur(), surfaceSurvol().couleur(), t));
    Formes::bordureInterieure(peintre, forme, rayon,
                              melanger(bordurePointillee().couleur(), bordurePointilleeSurvol().couleur(), t),
                              1.5, 6);

    const QFont policeTitre = Polices::texte(16, QFont::Medium);
    const QFont policeSousTitre = Polices::texte(13);
    const qreal coteSymbole = Icones::cotePour(tailleSymbole);
    const qreal hauteurTitre = QFontMetricsF(policeTitre).height();
    const qreal hauteurSousTitre = QFontMetricsF(policeSousTitre).height();
    const QRectF contenu = forme.adjusted(marge, marge, -marge, -marge);
    qreal y = contenu.center().y() - (coteSymbole + hauteurTitre + hauteurSousTitre + 2 * espacement) / 2;

    Icones::dessiner(peintre, QRectF(contenu.left(), y, contenu.width(), coteSymbole), u"arrow.up"_s,
                     coteSymbole, melanger(texteAttenue().couleur(), texte().couleur(), t));
    y += coteSymbole + espacement;
    peintre.setFont(policeTitre);
    peintre.setPen(texte().couleur());
    peintre.drawText(QRectF(contenu.left(), y, contenu.width(), hauteurTitre), Qt::AlignCenter, titre);
    y += hauteurTitre + espacement;
    peintre.setFont(policeSousTitre);
    peintre.setPen(texteAttenue().couleur());
    peintre.drawText(QRectF(contenu.left(), y, contenu.width(), hauteurSousTitre), Qt::AlignCenter,
                     sousTitre);
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
