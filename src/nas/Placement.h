#pragma once

#include <QStringList>

// Which dropped locations lie on a known NAS share (sent as share-relative references) and which must be
// copied.
struct Placement final {
    QStringList references;
    QStringList horsNAS;

    bool operator==(const Placement&) const = default;
};

// Decides by path text alone; the first share whose "<racine>/<share>/" prefix matches wins.
Placement classer(const QStringList& chemins, const QStringList& partages, const QString& racineVolumes);
