#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class QWidget;

namespace Captures {

// Saves `widget` on the page background at 2×, once per appearance, as <build>/captures/<nom>-clair.png
// and <nom>-sombre.png; the light appearance is back afterwards.
void enregistrer(QWidget& widget, const QString& nom);

// The widget as drawn now, at 1×.
QImage image(QWidget& widget);

} // namespace Captures
