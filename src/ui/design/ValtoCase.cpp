#include "ValtoCase.h"

#include "Couleurs.h"
#include "Formes.h"
#include "Icones.h"
#include "Polices.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr qreal cote = 16;
constexpr qreal rayon = 4;
constexpr qreal ecart = 8;
constexpr qreal points = 13;
} // namespace

ValtoCase::ValtoCase(const QString& libelle, QWidget* parent)
    : ControleValto(parent)
    , m_libelle(libelle)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(libelle);
    setAction([this] {
        setCoche(!m_coche);
        Q_EMIT basculee(m_coche);
    });
}

void ValtoCase::setCoche(bool coche)
{
    if (coche == m_coche) {
        return;
    }
    m_coche = coche;
    QAccessible::State changement;
    changement.checked = true;
    QAccessibleStateChangeEvent evenement(this, changement);
    QAccessible::updateAccessibility(&evenement);
    update();
}

QSize ValtoCase::sizeHint() const
{
    const QFontMetricsF mesures(Polices::texte(points));
    return QSize(qCeil(cote + ecart + mesures.horizontalAdvance(m_libelle)) + 4,
                 qCeil(std::max(cote, mesures.height())) + 4);
}

void ValtoCase::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setOpacity(opaciteEtat());
    const QRectF boite(2, (height() - cote) / 2, cote, cote);
    if (m_coche) {
        Formes::remplir(peintre, boite, rayon, Couleurs::remplissageFort().couleur());
        Icones::dessiner(peintre, boite, QStringLiteral("checkmark"), cote - 4,
                         Couleurs::texteSurFort().couleur());
    } else {
        Formes::remplir(peintre, boite, rayon,
                        hover() ? Couleurs::surfaceSurvol().couleur() : Couleurs::champ().couleur());
        Formes::bordureInterieure(peintre, boite, rayon, Couleurs::contour().couleur());
    }
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, boite, rayon);
    }
    peintre.setFont(Polices::texte(points));
    peintre.setPen(Couleurs::texte().couleur());
    const QRectF zoneTexte(boite.right() + ecart, 0, width() - boite.right() - ecart, height());
    peintre.drawText(zoneTexte, Qt::AlignLeft | Qt::AlignVCenter, m_libelle);
}
