#include "ExecuterTests.h"

#include <QGuiApplication>
#include <QStandardPaths>
#include <QTest>

std::vector<FabriqueTests>& testsInscrits()
{
    static std::vector<FabriqueTests> fabriques;
    return fabriques;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int echecs = 0;
    for (const FabriqueTests& fabrique : testsInscrits()) {
        const std::unique_ptr<QObject> tests = fabrique();
        echecs += QTest::qExec(tests.get(), argc, argv);
    }
    return echecs;
}
