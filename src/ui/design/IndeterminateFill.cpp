#include "IndeterminateFill.h"

#include "Animations.h"

#include <QVariantAnimation>

IndeterminateFill::IndeterminateFill(QObject* parent)
    : QObject(parent)
    , m_animation(new QVariantAnimation(this))
{
    m_animation->setStartValue(depart);
    m_animation->setEndValue(arrivee);
    m_animation->setDuration(1100);
    m_animation->setEasingCurve(QEasingCurve::InOutCubic);
    // Restarts from the leading end each time, never reverses.
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& valeur) { setX(valeur.toReal()); });
}

bool IndeterminateFill::enMouvement() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void IndeterminateFill::demarrer()
{
    if (!Animations::actives()) {
        setX(positionImmobile);
        return;
    }
    if (!enMouvement()) {
        m_animation->start();
    }
}

void IndeterminateFill::arreter()
{
    m_animation->stop();
    setX(depart);
}

void IndeterminateFill::setX(qreal x)
{
    if (x != m_x) {
        m_x = x;
        Q_EMIT xChange();
    }
}
