#include "flow/TailleTotale.h"

#include <QFile>

#include <fts.h>
#include <sys/stat.h>

namespace {

qint64 tailleLienVersFichier(const char* chemin)
{
    struct stat cible {};
    return stat(chemin, &cible) == 0 && S_ISREG(cible.st_mode) ? cible.st_size : 0;
}

qint64 tailleArborescence(const QByteArray& racine, const std::stop_token& arret)
{
    char* racines[] = {const_cast<char*>(racine.constData()), nullptr};
    // FTS_COMFOLLOW: a dropped link to a folder is walked; links found below it are not.
    FTS* parcours = fts_open(racines, FTS_PHYSICAL | FTS_COMFOLLOW | FTS_NOCHDIR, nullptr);
    if (parcours == nullptr) {
        return 0;
    }
    qint64 total = 0;
    const FTSENT* entree = nullptr;
    while (!arret.stop_requested() && (entree = fts_read(parcours)) != nullptr) {
        switch (entree->fts_info) {
        case FTS_F:
            total += entree->fts_statp->st_size;
            break;
        case FTS_SL:
            total += tailleLienVersFichier(entree->fts_accpath);
            break;
        default:
            break;
        }
    }
    fts_close(parcours);
    return total;
}

} // namespace

qint64 tailleTotale(const QStringList& chemins, const std::stop_token& arret)
{
    qint64 total = 0;
    for (const QString& chemin : chemins) {
        total += tailleArborescence(QFile::encodeName(chemin), arret);
    }
    return total;
}
