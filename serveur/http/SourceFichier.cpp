#include "SourceFichier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace serveur::http {

std::shared_ptr<SourceFichier> SourceFichier::ouvrir(const std::filesystem::path& chemin)
{
    const int descripteur = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    return descripteur < 0 ? nullptr : adopter(descripteur);
}

std::shared_ptr<SourceFichier> SourceFichier::adopter(int descripteur)
{
    struct stat etat {};
    if (descripteur < 0 || ::fstat(descripteur, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        if (descripteur >= 0) {
            ::close(descripteur);
        }
        return nullptr;
    }
    // Inode, size and modification to the nanosecond: a file rewritten in place gets a new one.
    char etiquette[96];
    std::snprintf(etiquette, sizeof etiquette, "\"%llx-%llx-%llx.%lx\"", static_cast<unsigned long long>(etat.st_ino),
                  static_cast<unsigned long long>(etat.st_size), static_cast<unsigned long long>(etat.st_mtim.tv_sec),
                  static_cast<unsigned long>(etat.st_mtim.tv_nsec));
    return std::shared_ptr<SourceFichier>(
        new SourceFichier(descripteur, etat.st_size, etat.st_mtim.tv_sec, etiquette));
}

SourceFichier::SourceFichier(int descripteur, std::int64_t taille, std::int64_t modification, std::string etiquette)
    : m_descripteur(descripteur)
    , m_taille(taille)
    , m_modification(modification)
    , m_etiquette(std::move(etiquette))
{
}

SourceFichier::~SourceFichier()
{
    ::close(m_descripteur);
}

std::size_t SourceFichier::lire(std::int64_t position, char* tampon, std::size_t taille)
{
    const ssize_t lus = ::pread(m_descripteur, tampon, taille, static_cast<off_t>(position));
    return lus > 0 ? static_cast<std::size_t>(lus) : 0;
}

} // namespace serveur::http
