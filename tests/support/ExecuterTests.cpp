#include "support/ExecuterTests.h"

#include <QStandardPaths>
#include <QTest>

#include <ctime>

namespace {

// A class runs when no function is named on the command line, or when it has one of those named.
bool demandee(const QObject& tests, int argc, char** argv)
{
    bool aucun = true;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            aucun = false;
            if (tests.metaObject()->indexOfSlot(QByteArray(argv[i]).split(':').first() + "()") >= 0) {
                return true;
            }
        }
    }
    return aucun;
}

} // namespace

std::vector<FabriqueTests>& testsInscrits()
{
    static std::vector<FabriqueTests> fabriques;
    return fabriques;
}

void preparerProcessusTests()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A zone far from UTC (UTC+14, no summer time): a local-time mistake cannot hide behind a UTC machine.
    qputenv("TZ", "<+14>-14");
    tzset();
}

int executerTestsInscrits(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    int echecs = 0;
    for (const FabriqueTests& fabrique : testsInscrits()) {
        const std::unique_ptr<QObject> tests = fabrique();
        if (demandee(*tests, argc, argv)) {
            echecs += QTest::qExec(tests.get(), argc, argv);
        }
    }
    return echecs;
}
