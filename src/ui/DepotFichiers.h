#pragma once

#include <QStringList>

class QMimeData;

// The local file paths a drag carries, in the drag's order; other URLs are left out.
QStringList cheminsDeposes(const QMimeData* donnees);
