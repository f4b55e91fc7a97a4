#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The project's single-colour symbols (resources/icons/<name>.svg), tinted at draw time.
namespace Icones {

// The symbol rendered `cote` units square for a device pixel ratio; cached. Null for an unknown name.
QPixmap pixmap(const QString& nom, qreal cote, const QColor& couleur, qreal ratio);

// Draws the symbol `cote` units square, centred in `zone`, crisp at the painter's device pixel ratio.
void dessiner(QPainter& peintre, const QRectF& zone, const QString& nom, qreal cote, const QColor& couleur);

// Side of a symbol drawn beside text of `points`, as the platform's symbols are a little larger.
inline qreal cotePour(qreal points)
{
    return points * 1.15;
}

} // namespace Icones
