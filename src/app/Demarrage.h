#pragma once

#include <QString>

class QApplication;

// What the process sets up before any window: its names and icon, and the toolkit's French texts.
namespace Demarrage {

void preparer(QApplication& application);

// Where the files that ship with the application lie (font files among them).
QString dossierRessources();

} // namespace Demarrage
