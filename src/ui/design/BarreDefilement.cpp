#include "BarreDefilement.h"

#include "Apparence.h"
#include "Couleurs.h"

using namespace Qt::StringLiterals;

BarreDefilement::BarreDefilement(QWidget* parent)
    : QScrollBar(Qt::Vertical, parent)
{
    appliquerCouleurs();
    connect(&Apparence::instance(), &Apparence::changee, this, &BarreDefilement::appliquerCouleurs);
}

// A style sheet keeps the drawn thumb and the one the pointer drags the same.
void BarreDefilement::appliquerCouleurs()
{
    setStyleSheet(u"QScrollBar:vertical { background: transparent; width: %1px; margin: 0; }"
                  "QScrollBar::handle:vertical { background: %2; border-radius: 3px; min-height: 24px;"
                  " margin: 2px; }"
                  "QScrollBar::handle:vertical:hover { background: %3; }"
                  "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
                  "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s.arg(
                      QString::number(largeur), Couleurs::bordurePointillee().couleur().name(),
                      Couleurs::texteDiscret().couleur().name()));
}
