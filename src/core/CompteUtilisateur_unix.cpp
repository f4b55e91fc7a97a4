#include "core/CompteUtilisateur.h"

#include <QCoreApplication>

#include <pwd.h>
#include <unistd.h>

QString nomCompletUtilisateur()
{
    const passwd* compte = getpwuid(getuid());
    if (compte == nullptr || compte->pw_gecos == nullptr) {
        return {};
    }
    // The GECOS field holds "Full Name,room,phone,...": the name is its first part.
    return QString::fromLocal8Bit(compte->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
}

QString cheminBundleCourant()
{
    // Outside macOS the "bundle" is the folder that holds the executable.
    return QCoreApplication::applicationDirPath();
}
