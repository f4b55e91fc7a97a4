#include "OuvertureSousRacine.h"

#include <fcntl.h>

namespace serveur {

// macOS has no openat2: the last name at least must not be a link.
int ouvrirSousRacine(const std::filesystem::path& racine, const std::filesystem::path& relatif)
{
    return ::open((racine / relatif).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

} // namespace serveur
