#include "FichierAtomique.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace serveur {

namespace {

std::string raison(const std::string& quoi, const fs::path& fichier)
{
    return quoi + " " + fichier.string() + " : " + std::strerror(errno);
}

bool synchroniser(const fs::path& chemin, int drapeaux)
{
    const int descripteur = ::open(chemin.c_str(), drapeaux | O_CLOEXEC);
    if (descripteur < 0) {
        return false;
    }
    const bool fait = ::fsync(descripteur) == 0;
    ::close(descripteur);
    return fait;
}

fs::path temporaireDe(const fs::path& fichier)
{
    return fichier.parent_path() / ("." + fichier.filename().string() + ".tmp" + std::to_string(::getpid()));
}

std::expected<void, std::string> remplir(const fs::path& temporaire, const std::string& contenu)
{
    const int descripteur = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descripteur < 0) {
        return std::unexpected(raison("Impossible de créer", temporaire));
    }
    const bool ecrit =
        ::write(descripteur, contenu.data(), contenu.size()) == static_cast<ssize_t>(contenu.size()) &&
        ::fsync(descripteur) == 0;
    const std::string echec = ecrit ? std::string() : raison("Impossible d'écrire", temporaire);
    ::close(descripteur);
    if (!ecrit) {
        ::unlink(temporaire.c_str());
        return std::unexpected(echec);
    }
    return {};
}

} // namespace

std::expected<bool, std::string> FichierAtomique::ecrire(const fs::path& fichier, const std::string& contenu,
                                                         bool remplacer)
{
    const fs::path temporaire = temporaireDe(fichier);
    if (const auto rempli = remplir(temporaire, contenu); !rempli) {
        return std::unexpected(rempli.error());
    }
    // link() refuses an existing name where rename() would replace it.
    const int resultat = remplacer ? ::rename(temporaire.c_str(), fichier.c_str())
                                   : ::link(temporaire.c_str(), fichier.c_str());
    const bool pris = resultat != 0 && errno == EEXIST;
    const std::string echec = resultat != 0 ? raison("Impossible de créer", fichier) : std::string();
    ::unlink(temporaire.c_str());
    if (resultat != 0 && !pris) {
        return std::unexpected(echec);
    }
    synchroniser(fichier.parent_path(), O_RDONLY | O_DIRECTORY);
    return !pris;
}

std::expected<void, std::string> FichierAtomique::publier(const fs::path& temporaire, const fs::path& fichier)
{
    if (!synchroniser(temporaire, O_RDONLY)) {
        return std::unexpected(raison("Impossible de synchroniser", temporaire));
    }
    if (::rename(temporaire.c_str(), fichier.c_str()) != 0) {
        return std::unexpected(raison("Impossible de créer", fichier));
    }
    synchroniser(fichier.parent_path(), O_RDONLY | O_DIRECTORY);
    return {};
}

} // namespace serveur
