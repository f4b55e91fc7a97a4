#include "OuvertureSousRacine.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace serveur {

int ouvrirSousRacine(const std::filesystem::path& racine, const std::filesystem::path& relatif)
{
    const int dossier = ::open(racine.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dossier < 0) {
        return -1;
    }
    // The path was checked with its links resolved, so any link met now was put there since.
    open_how comment{};
    comment.flags = O_RDONLY | O_CLOEXEC;
    comment.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_SYMLINKS;
    long descripteur = ::syscall(SYS_openat2, dossier, relatif.c_str(), &comment, sizeof comment);
    if (descripteur < 0 && errno == ENOSYS) {
        // Kernels before 5.6: the last name at least must not be a link.
        descripteur = ::openat(dossier, relatif.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    ::close(dossier);
    return static_cast<int>(descripteur);
}

} // namespace serveur
