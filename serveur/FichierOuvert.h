#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace serveur {

// One file of a transfer, opened for reading: its descriptor (closed with the object), size and last change.
class FichierOuvert final {
public:
    FichierOuvert(int descripteur, std::string nom, std::filesystem::path chemin, std::int64_t taille,
                  std::int64_t modifieLeNanosecondes);
    ~FichierOuvert();
    FichierOuvert(FichierOuvert&& autre) noexcept;
    FichierOuvert& operator=(FichierOuvert&&) = delete;
    FichierOuvert(const FichierOuvert&) = delete;
    FichierOuvert& operator=(const FichierOuvert&) = delete;

    int descripteur() const { return m_descripteur; }
    // Its path inside the transfer ("Dossier/a.jpg").
    const std::string& nom() const { return m_nom; }
    // Where it lies on the NAS, links resolved.
    const std::filesystem::path& chemin() const { return m_chemin; }
    std::int64_t taille() const { return m_taille; }
    // Nanoseconds since the epoch.
    std::int64_t modifieLeNanosecondes() const { return m_modifieLe; }

private:
    int m_descripteur;
    std::string m_nom;
    std::filesystem::path m_chemin;
    std::int64_t m_taille;
    std::int64_t m_modifieLe;
};

} // namespace serveur
