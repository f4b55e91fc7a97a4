#include "ArbreNAS.h"

#include <algorithm>
#include <set>

namespace fs = std::filesystem;

namespace serveur {

namespace {

fs::path canonique(const fs::path& chemin)
{
    std::error_code erreur;
    fs::path resultat = fs::canonical(chemin, erreur);
    return erreur ? fs::path() : resultat;
}

bool contient(const fs::path& parent, const fs::path& enfant)
{
    const auto [finParent, finEnfant] =
        std::mismatch(parent.begin(), parent.end(), enfant.begin(), enfant.end());
    return finParent == parent.end();
}

bool estCache(const fs::path& chemin)
{
    return chemin.filename().string().starts_with('.');
}

// "a.jpg", "a (2).jpg", ...: two entries with the same name both stay reachable.
std::string nomLibre(const std::string& nom, std::set<std::string>& pris)
{
    std::string candidat = nom;
    const fs::path chemin(nom);
    for (int n = 2; pris.contains(candidat); ++n) {
        candidat = (chemin.parent_path() /
                    (chemin.stem().string() + " (" + std::to_string(n) + ")" + chemin.extension().string()))
                       .string();
    }
    pris.insert(candidat);
    return candidat;
}

} // namespace

ArbreNAS::ArbreNAS(const fs::path& racine, const fs::path& dossierCopies, std::vector<fs::path> interdits)
    : m_racine(canonique(racine))
    , m_copies(fs::weakly_canonical(dossierCopies))
{
    for (const fs::path& interdit : interdits) {
        m_interdits.push_back(fs::weakly_canonical(interdit));
    }
}

std::vector<std::string> ArbreNAS::partages() const
{
    std::vector<std::string> noms;
    std::error_code erreur;
    for (const fs::directory_entry& entree : fs::directory_iterator(m_racine, erreur)) {
        if (entree.is_directory(erreur) && !estCache(entree.path())) {
            noms.push_back(entree.path().filename().string());
        }
    }
    std::sort(noms.begin(), noms.end());
    return noms;
}

bool ArbreNAS::dansLeNAS(const fs::path& chemin) const
{
    if (chemin.empty() || m_racine.empty() || chemin == m_racine || !contient(m_racine, chemin)) {
        return false;
    }
    const fs::path partage = m_racine / *chemin.lexically_relative(m_racine).begin();
    std::error_code erreur;
    if (estCache(partage) || !fs::is_directory(partage, erreur)) {
        return false;
    }
    return std::none_of(m_interdits.begin(), m_interdits.end(),
                        [&](const fs::path& interdit) { return contient(interdit, chemin); });
}

std::expected<fs::path, std::string> ArbreNAS::resoudre(const std::string& entree) const
{
    if (entree.empty() || entree.find('\0') != std::string::npos) {
        return std::unexpected("Chemin invalide dans « fichiers ».");
    }
    const fs::path relatif(entree);
    if (relatif.is_absolute()) {
        return std::unexpected("Chemin absolu refusé dans « fichiers » : " + entree);
    }
    for (const fs::path& morceau : relatif) {
        if (morceau == ".." || morceau == ".") {
            return std::unexpected("Chemin refusé dans « fichiers » : " + entree);
        }
    }
    const fs::path resolu = canonique(m_racine / relatif);
    if (resolu.empty()) {
        return std::unexpected("Fichier introuvable sur le NAS : " + entree);
    }
    if (!dansLeNAS(resolu)) {
        return std::unexpected("Chemin hors des partages refusé : " + entree);
    }
    return resolu;
}

bool ArbreNAS::aDossierDuToken(const std::string& token) const
{
    const fs::path dossier = m_copies / token;
    std::error_code erreur;
    return fs::is_directory(fs::symlink_status(dossier, erreur)) && dansLeNAS(canonique(dossier));
}

std::vector<fs::path> ArbreNAS::enfants(const fs::path& dossier) const
{
    std::error_code erreur;
    std::vector<fs::path> chemins;
    for (const fs::directory_entry& entree : fs::directory_iterator(dossier, erreur)) {
        if (!estCache(entree.path())) {
            chemins.push_back(entree.path());
        }
    }
    std::sort(chemins.begin(), chemins.end());
    return chemins;
}

void ArbreNAS::ajouter(const fs::path& chemin, const std::string& nom, std::vector<Element>& elements) const
{
    const fs::path resolu = canonique(chemin);
    if (!dansLeNAS(resolu)) {
        return;
    }
    std::error_code erreur;
    if (fs::is_directory(resolu, erreur)) {
        elements.push_back({nom, resolu, true, 0});
        for (const fs::path& enfant : enfants(resolu)) {
            // Folders reached through a link are skipped: a link to a parent would never end.
            if (!(fs::is_symlink(fs::symlink_status(enfant, erreur)) && fs::is_directory(enfant, erreur))) {
                ajouter(enfant, nom + "/" + enfant.filename().string(), elements);
            }
        }
    } else if (fs::is_regular_file(resolu, erreur)) {
        elements.push_back({nom, resolu, false, static_cast<std::int64_t>(fs::file_size(resolu, erreur))});
    }
}

std::vector<Element> ArbreNAS::contenu(const std::vector<std::string>& fichiers,
                                       const std::string& token) const
{
    std::vector<Element> elements;
    std::set<std::string> pris;
    for (const std::string& entree : fichiers) {
        if (const auto resolu = resoudre(entree)) {
            ajouter(*resolu, nomLibre(resolu->filename().string(), pris), elements);
        }
    }
    if (aDossierDuToken(token)) {
        for (const fs::path& enfant : enfants(m_copies / token)) {
            ajouter(enfant, nomLibre(enfant.filename().string(), pris), elements);
        }
    }
    return elements;
}

const Element* ArbreNAS::designe(const std::string& entree, const std::vector<std::string>& fichiers,
                                 const std::string& token, const std::vector<Element>& elements) const
{
    const auto trouver = [&](const auto& critere) -> const Element* {
        const auto it = std::find_if(elements.begin(), elements.end(),
                                     [&](const Element& e) { return !e.dossier && critere(e); });
        return it == elements.end() ? nullptr : &*it;
    };
    const auto parChemin = [&](const fs::path& chemin) {
        const fs::path resolu = canonique(chemin);
        return trouver([&](const Element& e) { return e.chemin == resolu; });
    };
    if (std::find(fichiers.begin(), fichiers.end(), entree) != fichiers.end()) {
        if (const auto resolu = resoudre(entree)) {
            return parChemin(*resolu);
        }
    }
    if (aDossierDuToken(token)) {
        if (const Element* copie = parChemin(m_copies / token / entree)) {
            return copie;
        }
    }
    return trouver([&](const Element& e) { return e.nom == entree; });
}

void ArbreNAS::supprimerDossierDuToken(const std::string& token) const
{
    const fs::path dossier = m_copies / token;
    std::error_code erreur;
    const fs::file_status etat = fs::symlink_status(dossier, erreur);
    if (fs::is_symlink(etat)) {
        fs::remove(dossier, erreur);
    } else if (fs::is_directory(etat)) {
        fs::remove_all(dossier, erreur);
    }
}

} // namespace serveur
