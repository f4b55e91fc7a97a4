#pragma once

#include <QStringList>

// Total size in bytes of files and folder trees; never fails (unreadable entries count 0).
// Links inside folders are not followed into folders, so a link to an ancestor cannot loop.
qint64 tailleTotale(const QStringList& chemins);
