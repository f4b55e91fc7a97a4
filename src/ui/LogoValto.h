#pragma once

#include <QWidget>

// The product lockup, one colour (the text colour), drawn at the header's height and left-aligned.
class LogoValto final : public QWidget {
    Q_OBJECT

public:
    static constexpr int hauteur = 14;

    explicit LogoValto(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QSizeF m_taille;
};
