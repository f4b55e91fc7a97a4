#pragma once

#include <QImage>
#include <QSvgRenderer>
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
    QImage dessiner(qreal ratio, const QColor& couleur);

    QSvgRenderer m_dessin;
    QSizeF m_taille;
    // The last picture drawn: repaints reuse it until the colour or the pixel ratio change.
    QImage m_image;
    QColor m_couleurImage;
};
