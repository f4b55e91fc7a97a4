#pragma once

#include "serveur/FichierOuvert.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace serveur {

class CacheContenus;

// One file or folder of a transfer; `nom` is its path inside the transfer ("Dossier/a.jpg").
struct Element {
    std::string nom;
    std::filesystem::path chemin;
    bool dossier = false;
    std::int64_t taille = 0;
};

// The NAS as the server sees it: shares under one root, the copies folder, and what must never be served.
// A transfer's items lie in a share, outside hidden folders, outside the server's own data, and in the
// copies folder only within the transfer's own <token>/ folder.
class ArbreNAS final {
public:
    ArbreNAS(const std::filesystem::path& racine, const std::filesystem::path& dossierCopies,
             std::vector<std::filesystem::path> interdits);
    ~ArbreNAS();
    ArbreNAS(ArbreNAS&&) noexcept;
    ArbreNAS& operator=(ArbreNAS&&) = delete;

    // The NAS root, links resolved: listed paths lie beneath it.
    const std::filesystem::path& racine() const { return m_racine; }
    // Folders directly under the root, sorted; hidden ones left out.
    std::vector<std::string> partages() const;
    // A share-relative entry, links followed; the error is the "detail" to send back.
    std::expected<std::filesystem::path, std::string> resoudre(const std::string& entree) const;
    // The token's copies folder when it is a real folder inside the NAS.
    bool aDossierDuToken(const std::string& token) const;
    // Files and folders of a transfer: its entries, then its copies folder. Anything that no longer
    // resolves inside the NAS is left out, so a link planted after creation serves nothing.
    std::vector<Element> contenu(const std::vector<std::string>& fichiers, const std::string& token) const;
    // The file of `elements` (a transfer's content) that one "ordre" entry designates: an entry of
    // `fichiers`, else a file of the token's copies folder by its own name, else a file by its served name.
    // Null when none: two namesakes are told apart by the first two forms.
    const Element* designe(const std::string& entree, const std::vector<std::string>& fichiers,
                           const std::string& token, const std::vector<Element>& elements) const;
    // The file `nom` of a transfer (its path as contenu() names it), found by resolving that name alone and
    // opened beneath the NAS root; nothing when the transfer has no such file.
    std::optional<FichierOuvert> ouvrir(const std::vector<std::string>& fichiers, const std::string& token,
                                        const std::string& nom) const;
    // Removes the token's copies folder and nothing else: links inside are removed, never followed.
    void supprimerDossierDuToken(const std::string& token) const;

private:
    // A first-level item of a transfer and the copies folder it may lie in (empty for its entries).
    using Sommet = std::pair<std::filesystem::path, std::filesystem::path>;

    bool dansLeNAS(const std::filesystem::path& canonique, const std::filesystem::path& permis = {}) const;
    std::vector<std::filesystem::path> enfants(const std::filesystem::path& dossier) const;
    void ajouter(const std::filesystem::path& chemin, const std::string& nom,
                 const std::filesystem::path& permis, std::vector<Element>& elements) const;
    std::vector<Element> parcourir(const std::vector<std::string>& fichiers, const std::string& token) const;
    std::int64_t signature(const std::vector<std::string>& fichiers, const std::string& token) const;
    // The first-level item that contenu() names `nom`.
    std::optional<Sommet> sommet(const std::vector<std::string>& fichiers, const std::string& token,
                                 const std::string& nom) const;

    std::filesystem::path m_racine;
    std::filesystem::path m_copies;
    std::vector<std::filesystem::path> m_interdits;
    std::unique_ptr<CacheContenus> m_cache;
};

} // namespace serveur
