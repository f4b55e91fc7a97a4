#include "design/Animations.h"
#include "design/Apparence.h"
#include "support/ExecuterTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    preparerProcessusTests();
    // The machine's fonts, font settings and time zone stay out of the pictures the tests compare.
    qputenv("FONTCONFIG_FILE", VALTO_POLICES_TESTS);
    QApplication application(argc, argv);
    // Every change lands at once, the text cursor does not blink, and the look does not depend on the
    // machine's desktop.
    Animations::setActives(false);
    QApplication::setCursorFlashTime(0);
    Apparence::instance().forcer(Apparence::Mode::clair);
    return executerTestsInscrits(argc, argv);
}
