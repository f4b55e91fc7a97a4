#include "IndicateurStatut.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Polices.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

namespace {
constexpr qreal cotePoint = 8;
constexpr qreal longueurBarre = 16;
constexpr qreal epaisseurBarre = 2;
constexpr qreal ecartFormes = 3;
constexpr qreal ecartMot = 8;
constexpr int hauteur = 28;
constexpr qreal tailleMot = 9;

qreal largeurFormes()
{
    return 3 * cotePoint + 2 * longueurBarre + 4 * ecartFormes;
}
} // namespace

IndicateurStatut::IndicateurStatut(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    suivreApparence(this);
    setStats(std::nullopt);
}

void IndicateurStatut::setStats(const std::optional<StatsTransfert>& stats)
{
    const StatutTransfert::Statut statut = StatutTransfert::depuis(stats);
    const QString ligne = StatutTransfert::ligne(stats);
    if (statut == m_statut && ligne == m_ligne) {
        return;
    }
    m_statut = statut;
    m_ligne = ligne;
    setToolTip(ligne);
    setAccessibleName(ligne);
    update();
}

QSize IndicateurStatut::sizeHint() const
{
    // As wide as the longest word, so the shapes line up from row to row whatever the status. Every row
    // asks, many times over: the answer is kept for each typeface.
    static QHash<QString, int> largeurs;
    const QFont police = Polices::capitalesEspacees(tailleMot);
    auto connue = largeurs.constFind(police.key());
    if (connue == largeurs.constEnd()) {
        const QFontMetricsF mesures(police);
        qreal mot = 0;
        for (const auto statut : {StatutTransfert::Statut::inconnu, StatutTransfert::Statut::envoye,
                                  StatutTransfert::Statut::ouvert, StatutTransfert::Statut::telecharge}) {
            mot = qMax(mot, mesures.horizontalAdvance(Polices::majuscules(StatutTransfert::mot(statut))));
        }
        connue = largeurs.insert(police.key(), qCeil(largeurFormes() + ecartMot + mot));
    }
    return QSize(*connue, hauteur);
}

void IndicateurStatut::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(Qt::NoPen);
    const std::array<const Jeton*, 5> couleurs = StatutTransfert::couleursFormes(m_statut);
    const qreal milieu = height() / 2.0;
    qreal x = 0;
    for (int i = 0; i < 5; ++i) {
        const bool point = i % 2 == 0;
        const QRectF forme = point ? QRectF(x, milieu - cotePoint / 2, cotePoint, cotePoint)
                                   : QRectF(x, milieu - epaisseurBarre / 2, longueurBarre, epaisseurBarre);
        peintre.setBrush(couleurs.at(i)->couleur());
        peintre.drawPath(Formes::capsule(forme));
        x = forme.right() + ecartFormes;
    }
    peintre.setFont(Polices::capitalesEspacees(tailleMot));
    peintre.setPen(Couleurs::texteAttenue().couleur());
    const QRectF zoneMot(largeurFormes() + ecartMot, 0, width() - largeurFormes() - ecartMot, height());
    peintre.drawText(zoneMot, Qt::AlignLeft | Qt::AlignVCenter,
                     Polices::majuscules(StatutTransfert::mot(m_statut)));
}
