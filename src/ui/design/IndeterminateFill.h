#pragma once

#include <QObject>

class QVariantAnimation;

// The moving segment of a bar without a value: `x` runs from -0.4 to 1.05 bar widths, over and over.
class IndeterminateFill final : public QObject {
    Q_OBJECT

public:
    static constexpr qreal largeurRelative = 0.35;
    static constexpr qreal depart = -0.4;
    static constexpr qreal arrivee = 1.05;
    // Where the segment rests when animations are off: fully on the bar, so it still reads as activity.
    static constexpr qreal positionImmobile = 0.3;

    explicit IndeterminateFill(QObject* parent = nullptr);

    qreal x() const { return m_x; }
    bool enMouvement() const;

    void demarrer();
    void arreter();

Q_SIGNALS:
    void xChange();

private:
    void setX(qreal x);

    qreal m_x = depart;
    QVariantAnimation* m_animation;
};
