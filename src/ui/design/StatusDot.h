#pragma once

#include <QWidget>

// A coloured dot and a word in spaced capitals; tone `todo` is an empty ring.
class StatusDot final : public QWidget {
    Q_OBJECT

public:
    enum class Tone { neutral, success, warning, danger, progress, fg, todo };

    explicit StatusDot(const QString& mot, Tone tone = Tone::neutral, QWidget* parent = nullptr);

    QString mot() const { return m_mot; }
    void setMot(const QString& mot);
    Tone tone() const { return m_tone; }
    void setTone(Tone tone);

    // The dot's fill; transparent for `todo`.
    static QColor remplissage(Tone tone);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_mot;
    Tone m_tone;
};
