#pragma once

#include <QImage>
#include <QString>
#include <QTest>

class QWidget;

namespace Captures {

// Draws `widget` on the page background at 1×, once per appearance, saves both pictures under
// <build>/captures/ and compares them with tests/ui/references/<nom>-clair.png and <nom>-sombre.png; the
// light appearance is back afterwards. Compares its accessible reading and Tab order with <nom>.txt too.
// Returns what differs, empty when all match. With VALTO_REFERENCES=ecrire in the environment the
// captures become the references instead.
QString comparer(QWidget& widget, const QString& nom);

// The widget as drawn now, at 1×.
QImage image(QWidget& widget);

} // namespace Captures

// Fails the test when `widget` no longer looks like its reference pictures.
#define VERIFIER_CAPTURES(widget, nom)                                                                       \
    do {                                                                                                     \
        const QString ecartsCaptures = Captures::comparer((widget), (nom));                                  \
        QVERIFY2(ecartsCaptures.isEmpty(), qPrintable(ecartsCaptures));                                      \
    } while (false)
