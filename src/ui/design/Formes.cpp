#include "Formes.h"

#include "Couleurs.h"

#include <QPainter>

namespace Formes {

QPainterPath rectangleContinu(const QRectF& rect, qreal rayon)
{
    QPainterPath chemin;
    if (rect.isEmpty()) {
        return chemin;
    }
    // The corner curve starts 1.28 radius from the corner; handles of 0.72 of that keep its middle
    // where a circular arc of `rayon` would pass.
    const qreal etendue = qMin(rayon * 1.28, qMin(rect.width(), rect.height()) / 2);
    const qreal poignee = etendue * 0.72;
    const qreal g = rect.left();
    const qreal d = rect.right();
    const qreal h = rect.top();
    const qreal b = rect.bottom();
    chemin.moveTo(g + etendue, h);
    chemin.lineTo(d - etendue, h);
    chemin.cubicTo(d - etendue + poignee, h, d, h + etendue - poignee, d, h + etendue);
    chemin.lineTo(d, b - etendue);
    chemin.cubicTo(d, b - etendue + poignee, d - etendue + poignee, b, d - etendue, b);
    chemin.lineTo(g + etendue, b);
    chemin.cubicTo(g + etendue - poignee, b, g, b - etendue + poignee, g, b - etendue);
    chemin.lineTo(g, h + etendue);
    chemin.cubicTo(g, h + etendue - poignee, g + etendue - poignee, h, g + etendue, h);
    chemin.closeSubpath();
    return chemin;
}

QPainterPath capsule(const QRectF& rect)
{
    QPainterPath chemin;
    const qreal rayon = qMin(rect.width(), rect.height()) / 2;
    chemin.addRoundedRect(rect, rayon, rayon);
    return chemin;
}

void remplir(QPainter& peintre, const QRectF& rect, qreal rayon, const QColor& couleur)
{
    peintre.save();
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(Qt::NoPen);
    peintre.setBrush(couleur);
    peintre.drawPath(rectangleContinu(rect, rayon));
    peintre.restore();
}

void bordureInterieure(QPainter& peintre, const QRectF& rect, qreal rayon, const QColor& couleur,
                       qreal largeur, qreal tiretEtEspace)
{
    const qreal demi = largeur / 2;
    QPen stylo(couleur, largeur);
    if (tiretEtEspace > 0) {
        // Qt measures dashes in pen widths.
        stylo.setDashPattern({tiretEtEspace / largeur, tiretEtEspace / largeur});
        stylo.setCapStyle(Qt::FlatCap);
    }
    peintre.save();
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(stylo);
    peintre.setBrush(Qt::NoBrush);
    peintre.drawPath(rectangleContinu(rect.adjusted(demi, demi, -demi, -demi), qMax<qreal>(0, rayon - demi)));
    peintre.restore();
}

void anneauFocus(QPainter& peintre, const QRectF& rect, qreal rayon)
{
    bordureInterieure(peintre, rect, rayon, Couleurs::progression().couleur(0.8), 2.0);
}

} // namespace Formes
