#include "design/Animations.h"
#include "design/Apparence.h"
#include "support/ExecuterTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The machine's fonts and font settings stay out of the pictures the tests compare.
    qputenv("FONTCONFIG_FILE", VALTO_POLICES_TESTS);
    QApplication application(argc, argv);
    // Every change lands at once, the text cursor does not blink, and the look does not depend on the
    // machine's desktop.
    Animations::setActives(false);
    QApplication::setCursorFlashTime(0);
    Apparence::instance().forcer(Apparence::Mode::clair);
    return executerTestsInscrits(argc, argv);
}
