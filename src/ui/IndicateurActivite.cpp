#include "IndicateurActivite.h"

#include "design/Animations.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"

#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr int dureeTour = 900;
}

IndicateurActivite::IndicateurActivite(int cote, QWidget* parent)
    : QWidget(parent)
    , m_cote(cote)
    , m_rotation(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_rotation->setStartValue(0.0);
    m_rotation->setEndValue(360.0);
    m_rotation->setLoopCount(-1);
    connect(m_rotation, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    suivreApparence(this);
}

void IndicateurActivite::showEvent(QShowEvent*)
{
    // With animations off the arc stays still.
    if (Animations::actives()) {
        m_rotation->setDuration(dureeTour);
        m_rotation->start();
    }
}

void IndicateurActivite::hideEvent(QHideEvent*)
{
    m_rotation->stop();
}

void IndicateurActivite::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    const qreal trait = m_cote / 7.0;
    const QRectF cercle = QRectF(rect()).adjusted(trait, trait, -trait, -trait);
    QPen stylo(Couleurs::remplissageFort().couleur(0.2), trait);
    peintre.setPen(stylo);
    peintre.drawEllipse(cercle);
    stylo.setColor(Couleurs::remplissageFort().couleur());
    stylo.setCapStyle(Qt::RoundCap);
    peintre.setPen(stylo);
    const int depart = -qRound(m_rotation->currentValue().toDouble() * 16);
    peintre.drawArc(cercle, 90 * 16 + depart, -100 * 16);
}
