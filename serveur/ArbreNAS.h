#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

namespace serveur {

// One file or folder of a transfer; `nom` is its path inside the transfer ("Dossier/a.jpg").
struct Element {
    std::string nom;
    std::filesystem::path chemin;
    bool dossier = false;
    std::int64_t taille = 0;
};

// The NAS as the server sees it: shares under one root, the copies folder, and what must never be served.
class ArbreNAS final {
public:
    ArbreNAS(const std::filesystem::path& racine, const std::filesystem::path& dossierCopies,
             std::vector<std::filesystem::path> interdits);

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
    // Removes the token's copies folder and nothing else: links inside are removed, never followed.
    void supprimerDossierDuToken(const std::string& token) const;

private:
    bool dansLeNAS(const std::filesystem::path& canonique) const;
    std::vector<std::filesystem::path> enfants(const std::filesystem::path& dossier) const;
    void ajouter(const std::filesystem::path& chemin, const std::string& nom,
                 std::vector<Element>& elements) const;

    std::filesystem::path m_racine;
    std::filesystem::path m_copies;
    std::vector<std::filesystem::path> m_interdits;
};

} // namespace serveur
