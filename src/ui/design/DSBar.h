#pragma once

#include <QWidget>

#include <optional>

class IndeterminateFill;

// The slim progress bar: filled to a fraction, or a moving segment when there is no value.
class DSBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int hauteur = 6;

    explicit DSBar(std::optional<double> value = std::nullopt, QWidget* parent = nullptr);

    std::optional<double> value() const { return m_value; }
    void setValue(std::optional<double> value);

    // The filled width for the current value (the fraction clamped to 0..1); 0 without a value.
    qreal largeurRemplie() const;

    QSize sizeHint() const override { return QSize(260, hauteur); }
    QSize minimumSizeHint() const override { return QSize(0, hauteur); }

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    void hideEvent(QHideEvent* evenement) override;

private:
    void suivreFill();

    std::optional<double> m_value;
    IndeterminateFill* m_fill;
};
