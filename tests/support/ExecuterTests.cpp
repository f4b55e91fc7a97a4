#include "support/ExecuterTests.h"

#include <QMetaMethod>
#include <QStandardPaths>
#include <QTest>

namespace {

// Test functions named on the command line ("nom" or "nom:ligne"); empty when all are to run.
QList<QByteArray> fonctionsDemandees(int argc, char** argv)
{
    QList<QByteArray> noms;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (!argument.startsWith('-')) {
            noms.append(argument.split(':').first());
        }
    }
    return noms;
}

bool contientUneDes(const QObject& tests, const QList<QByteArray>& noms)
{
    const QMetaObject* meta = tests.metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (noms.contains(meta->method(i).name())) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<FabriqueTests>& testsInscrits()
{
    static std::vector<FabriqueTests> fabriques;
    return fabriques;
}

int executerTestsInscrits(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    const QList<QByteArray> demandees = fonctionsDemandees(argc, argv);
    int echecs = 0;
    for (const FabriqueTests& fabrique : testsInscrits()) {
        const std::unique_ptr<QObject> tests = fabrique();
        // A function named on the command line runs only in the class that has it.
        if (demandees.isEmpty() || contientUneDes(*tests, demandees)) {
            echecs += QTest::qExec(tests.get(), argc, argv);
        }
    }
    return echecs;
}
