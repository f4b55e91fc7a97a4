#include "EtiquetteBouton.h"

#include "Icones.h"

#include <QFontMetricsF>
#include <QPainter>

qreal EtiquetteBouton::largeur() const
{
    const qreal largeurTexte = QFontMetricsF(police).horizontalAdvance(texte);
    if (symbole.isEmpty()) {
        return largeurTexte;
    }
    return coteSymbole + (texte.isEmpty() ? 0 : espacement + largeurTexte);
}

void EtiquetteBouton::dessiner(QPainter& peintre, const QRectF& zone, const QColor& couleur) const
{
    qreal x = zone.center().x() - largeur() / 2;
    if (!symbole.isEmpty()) {
        Icones::dessiner(peintre, QRectF(x, zone.top(), coteSymbole, zone.height()), symbole, coteSymbole,
                         couleur);
        x += coteSymbole + espacement;
    }
    peintre.save();
    peintre.setFont(police);
    peintre.setPen(couleur);
    peintre.drawText(QRectF(x, zone.top(), zone.right() - x, zone.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     texte);
    peintre.restore();
}
