#include "design/Animations.h"
#include "design/Apparence.h"
#include "support/ExecuterTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // Every change lands at once and the look does not depend on the machine's desktop.
    Animations::setActives(false);
    Apparence::instance().forcer(Apparence::Mode::clair);
    return executerTestsInscrits(argc, argv);
}
