#include "Defilement.h"

#include "Apparence.h"
#include "Couleurs.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {

void appliquer(QScrollBar* barre)
{
    barre->setStyleSheet(
        u"QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
        u"QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px;"
        u" margin: 1px; }"
        u"QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        u"QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s.arg(
            Couleurs::bordurePointillee().couleur().name()));
}

} // namespace

void habillerDefilement(QAbstractScrollArea* zone)
{
    QScrollBar* barre = zone->verticalScrollBar();
    appliquer(barre);
    QObject::connect(&Apparence::instance(), &Apparence::changee, barre, [barre] { appliquer(barre); });
}
