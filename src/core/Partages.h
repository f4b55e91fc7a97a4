#pragma once

#include <QStringList>

class Preferences;

// The NAS share names that count as "on the NAS", as the server last reported them.
inline const QStringList partagesParDefaut = {QStringLiteral("DATA"), QStringLiteral("VALTO SERVER")};

// The stored list when it is a list of strings (an empty one included), else the defaults.
QStringList partagesEnVigueur(const Preferences& preferences);

// Keeps a non-empty list from the server; an empty answer changes nothing.
void memoriserPartages(Preferences& preferences, const QStringList& liste);

// Where the shares are mounted: the folder that holds the known share in which a chosen copies folder
// lies ("/mnt/nas" for "/mnt/nas/DATA/Valto Transferts"); without a chosen one, or outside every known
// share, the platform's default.
QString racineMontage(const Preferences& preferences, const QString& racineParDefaut);
