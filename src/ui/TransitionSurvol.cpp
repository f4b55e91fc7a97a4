#include "TransitionSurvol.h"

#include "design/Animations.h"

#include <QVariantAnimation>

TransitionSurvol::TransitionSurvol(QObject* parent)
    : QObject(parent)
    , m_animation(new QVariantAnimation(this))
{
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& valeur) {
        m_avancement = valeur.toReal();
        Q_EMIT avancementChange();
    });
}

void TransitionSurvol::setSurvol(bool survol)
{
    if (survol == m_survol) {
        return;
    }
    m_survol = survol;
    m_animation->stop();
    m_animation->setDuration(Animations::duree(150));
    m_animation->setStartValue(m_avancement);
    m_animation->setEndValue(survol ? 1.0 : 0.0);
    m_animation->start();
}
