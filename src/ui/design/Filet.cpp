#include "Filet.h"

#include "ControleValto.h"
#include "Couleurs.h"

#include <QPainter>

Filet::Filet(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    suivreApparence(this);
}

void Filet::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::ligne().couleur());
}
