#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// A button's label: an optional symbol, 7 units, then the text; centred as one row.
struct EtiquetteBouton final {
    QString texte;
    QFont police;
    QString symbole;
    qreal coteSymbole = 0;

    static constexpr qreal espacement = 7;

    qreal largeur() const;
    void dessiner(QPainter& peintre, const QRectF& zone, const QColor& couleur) const;
};
