#pragma once

#include <QObject>

class QVariantAnimation;

// The 0.15 s ease-out blend between a drop target's resting look (0) and its drag-hover look (1).
class TransitionSurvol final : public QObject {
    Q_OBJECT

public:
    explicit TransitionSurvol(QObject* parent);

    bool survol() const { return m_survol; }
    void setSurvol(bool survol);
    // How far the look has gone towards hover.
    qreal avancement() const { return m_avancement; }

Q_SIGNALS:
    void avancementChange();

private:
    bool m_survol = false;
    qreal m_avancement = 0;
    QVariantAnimation* m_animation;
};
