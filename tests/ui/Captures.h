#pragma once

#include <QString>
#include <QTest>

class QWidget;

namespace Captures {

// Draws `widget` at 1× in each appearance (light last), saves both under <build>/captures/ and returns how
// they differ from tests/ui/references/<nom>-clair.png and -sombre.png, and how its accessible reading, Tab
// order and size range differ from <nom>.txt; empty when all match. With VALTO_REFERENCES=ecrire in the
// environment they become the references instead.
QString comparer(QWidget& widget, const QString& nom);

} // namespace Captures

// Fails the test when `widget` no longer looks like its reference pictures.
#define VERIFIER_CAPTURES(widget, nom)                                                                       \
    do {                                                                                                     \
        const QString ecartsCaptures = Captures::comparer((widget), (nom));                                  \
        QVERIFY2(ecartsCaptures.isEmpty(), qPrintable(ecartsCaptures));                                      \
    } while (false)
