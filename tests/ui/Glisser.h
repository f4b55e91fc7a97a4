#pragma once

#include <QStringList>

class QWidget;

// Drags carrying local files (or, with `texte`, plain text only) onto a widget, as the platform would.
namespace Glisser {

// Enter and move; true when the widget accepts the drag.
bool entrer(QWidget* cible, const QStringList& chemins);
void sortir(QWidget* cible);
// Enter, move and drop; true when the drop is accepted.
bool deposer(QWidget* cible, const QStringList& chemins);
bool deposerTexte(QWidget* cible, const QString& texte);

} // namespace Glisser
