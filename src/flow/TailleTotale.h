#pragma once

#include <QStringList>

#include <stop_token>

// Total size in bytes of files and folder trees; never fails (unreadable entries count 0).
// Links inside folders are not followed into folders, so a link to an ancestor cannot loop.
// A stop request ends the walk early; the partial count is then meaningless.
qint64 tailleTotale(const QStringList& chemins, const std::stop_token& arret = {});
