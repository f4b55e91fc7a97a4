#include "support/ExecuterTests.h"

#include <QGuiApplication>

int main(int argc, char** argv)
{
    preparerProcessusTests();
    QGuiApplication application(argc, argv);
    return executerTestsInscrits(argc, argv);
}
