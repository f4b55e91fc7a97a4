#include "ArbreNAS.h"

#include "serveur/CacheContenus.h"
#include "serveur/OuvertureSousRacine.h"

#include <algorithm>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace serveur {

namespace {

// Past this many items a listing is worth keeping for a few seconds.
constexpr std::size_t seuilCache = 1000;
constexpr auto dureeCache = std::chrono::seconds(5);

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

std::int64_t modification(const fs::path& chemin)
{
    struct stat etat {};
    return ::stat(chemin.c_str(), &etat) == 0 ? etat.st_mtim.tv_sec * 1'000'000'000LL + etat.st_mtim.tv_nsec
                                              : 0;
}

// The names of a request, or nothing when one could never appear in a listing.
std::optional<std::vector<std::string>> morceaux(const std::string& nom)
{
    if (nom.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::vector<std::string> resultat;
    std::size_t debut = 0;
    while (debut <= nom.size()) {
        const std::size_t fin = std::min(nom.find('/', debut), nom.size());
        std::string morceau = nom.substr(debut, fin - debut);
        if (morceau.empty() || morceau.starts_with('.')) {
            return std::nullopt;
        }
        resultat.push_back(std::move(morceau));
        debut = fin + 1;
    }
    return resultat;
}

} // namespace

ArbreNAS::ArbreNAS(const fs::path& racine, const fs::path& dossierCopies, std::vector<fs::path> interdits)
    : m_racine(canonique(racine))
    , m_copies(fs::weakly_canonical(dossierCopies))
    , m_cache(std::make_unique<CacheContenus>(dureeCache))
{
    for (const fs::path& interdit : interdits) {
        m_interdits.push_back(fs::weakly_canonical(interdit));
    }
}

ArbreNAS::~ArbreNAS() = default;
ArbreNAS::ArbreNAS(ArbreNAS&&) noexcept = default;

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

bool ArbreNAS::dansLeNAS(const fs::path& chemin, const fs::path& permis) const
{
    if (chemin.empty() || m_racine.empty() || chemin == m_racine || !contient(m_racine, chemin)) {
        return false;
    }
    // Within the transfer's own copies only what lies below counts: the copies folder may sit anywhere.
    const bool copie = !permis.empty() && contient(permis, chemin);
    const fs::path visible = chemin.lexically_relative(copie ? permis : m_racine);
    if (std::any_of(visible.begin(), visible.end(),
                    [](const fs::path& m) { return m != "." && estCache(m); })) {
        return false;
    }
    std::error_code erreur;
    if (!fs::is_directory(m_racine / *chemin.lexically_relative(m_racine).begin(), erreur)) {
        return false;
    }
    // Other transfers' copies, protected ones included, are theirs alone.
    if (contient(m_copies, chemin) && !copie) {
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
    if (contient(m_copies, resolu)) {
        return std::unexpected("Dossier des copies refusé dans « fichiers » : " + entree);
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
    return fs::is_directory(fs::symlink_status(dossier, erreur)) && dansLeNAS(canonique(dossier), dossier);
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

void ArbreNAS::ajouter(const fs::path& chemin, const std::string& nom, const fs::path& permis,
                       std::vector<Element>& elements) const
{
    const fs::path resolu = canonique(chemin);
    if (!dansLeNAS(resolu, permis)) {
        return;
    }
    std::error_code erreur;
    if (fs::is_directory(resolu, erreur)) {
        elements.push_back({nom, resolu, true, 0});
        for (const fs::path& enfant : enfants(resolu)) {
            // Folders reached through a link are skipped: a link to a parent would never end.
            if (!(fs::is_symlink(fs::symlink_status(enfant, erreur)) && fs::is_directory(enfant, erreur))) {
                ajouter(enfant, nom + "/" + enfant.filename().string(), permis, elements);
            }
        }
    } else if (fs::is_regular_file(resolu, erreur)) {
        elements.push_back({nom, resolu, false, static_cast<std::int64_t>(fs::file_size(resolu, erreur))});
    }
}

std::vector<Element> ArbreNAS::parcourir(const std::vector<std::string>& fichiers,
                                         const std::string& token) const
{
    std::vector<Element> elements;
    std::set<std::string> pris;
    for (const std::string& entree : fichiers) {
        if (const auto resolu = resoudre(entree)) {
            ajouter(*resolu, nomLibre(resolu->filename().string(), pris), {}, elements);
        }
    }
    if (aDossierDuToken(token)) {
        for (const fs::path& enfant : enfants(m_copies / token)) {
            ajouter(enfant, nomLibre(enfant.filename().string(), pris), m_copies / token, elements);
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

std::int64_t ArbreNAS::signature(const std::vector<std::string>& fichiers, const std::string& token) const
{
    std::int64_t somme = modification(m_copies / token);
    for (const std::string& entree : fichiers) {
        if (const auto resolu = resoudre(entree)) {
            somme += modification(*resolu);
        }
    }
    return somme;
}

std::vector<Element> ArbreNAS::contenu(const std::vector<std::string>& fichiers,
                                       const std::string& token) const
{
    std::string cle = token;
    for (const std::string& entree : fichiers) {
        cle += '\0' + entree;
    }
    const std::int64_t avant = signature(fichiers, token);
    if (auto gardes = m_cache->trouver(cle, avant)) {
        return std::move(*gardes);
    }
    std::vector<Element> elements = parcourir(fichiers, token);
    if (elements.size() >= seuilCache) {
        m_cache->garder(cle, avant, elements);
    }
    return elements;
}

std::optional<ArbreNAS::Sommet> ArbreNAS::sommet(const std::vector<std::string>& fichiers,
                                                 const std::string& token, const std::string& nom) const
{
    std::set<std::string> pris;
    for (const std::string& entree : fichiers) {
        if (const auto resolu = resoudre(entree);
            resolu && nomLibre(resolu->filename().string(), pris) == nom) {
            return Sommet{*resolu, {}};
        }
    }
    if (!aDossierDuToken(token)) {
        return std::nullopt;
    }
    const fs::path copies = m_copies / token;
    // Without entries no copy is renamed: the name is the file's own, found without reading the folder.
    if (pris.empty()) {
        std::error_code erreur;
        return fs::exists(fs::symlink_status(copies / nom, erreur))
                   ? std::optional(Sommet{copies / nom, copies})
                   : std::nullopt;
    }
    for (const fs::path& enfant : enfants(copies)) {
        if (nomLibre(enfant.filename().string(), pris) == nom) {
            return Sommet{enfant, copies};
        }
    }
    return std::nullopt;
}

std::optional<FichierOuvert> ArbreNAS::ouvrir(const std::vector<std::string>& fichiers,
                                              const std::string& token, const std::string& nom) const
{
    const auto noms = morceaux(nom);
    const auto premier = noms ? sommet(fichiers, token, noms->front()) : std::nullopt;
    if (!premier) {
        return std::nullopt;
    }
    fs::path chemin = noms->size() > 1 ? canonique(premier->first) : premier->first;
    std::error_code erreur;
    for (std::size_t i = 1; i < noms->size(); ++i) {
        // As in the listing: folders below the first level are entered only when they are not links.
        if (!fs::is_directory(fs::symlink_status(chemin, erreur))) {
            return std::nullopt;
        }
        chemin /= (*noms)[i];
    }
    const fs::path resolu = canonique(chemin);
    if (!dansLeNAS(resolu, premier->second) || !fs::is_regular_file(resolu, erreur)) {
        return std::nullopt;
    }
    const int descripteur = ouvrirSousRacine(m_racine, resolu.lexically_relative(m_racine));
    struct stat etat {};
    if (descripteur < 0 || ::fstat(descripteur, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        if (descripteur >= 0) {
            ::close(descripteur);
        }
        return std::nullopt;
    }
    return FichierOuvert(descripteur, nom, resolu, etat.st_size,
                         etat.st_mtim.tv_sec * 1'000'000'000LL + etat.st_mtim.tv_nsec);
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
