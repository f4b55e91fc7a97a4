#pragma once

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// The rounded shapes every control and screen draws: continuous corners, borders inside the shape.
namespace Formes {

// A rounded rectangle whose corners ease into the sides (no visible joint, unlike a circular arc).
QPainterPath rectangleContinu(const QRectF& rect, qreal rayon);
// Fully rounded ends.
QPainterPath capsule(const QRectF& rect);

void remplir(QPainter& peintre, const QRectF& rect, qreal rayon, const QColor& couleur);

// A border of `largeur` drawn inside the shape; `tiretEtEspace` > 0 gives dashes and gaps of that length.
void bordureInterieure(QPainter& peintre, const QRectF& rect, qreal rayon, const QColor& couleur,
                       qreal largeur = 1.0, qreal tiretEtEspace = 0.0);

// The keyboard focus ring of a control, drawn inside its shape.
void anneauFocus(QPainter& peintre, const QRectF& rect, qreal rayon);

} // namespace Formes
