#include "StockageSQLite.h"

#include "serveur/FichierAtomique.h"
#include "serveur/Journal.h"

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <array>
#include <stdexcept>

namespace serveur {

namespace {

// Each entry brings a database from the version of its index to the next; `PRAGMA user_version` says
// where a file stands. A database from before versioning reads as 0 and the first step finds its table.
constexpr std::array<const char*, 2> migrations = {
    R"(
CREATE TABLE IF NOT EXISTS transferts (
  token TEXT PRIMARY KEY,
  titre TEXT NOT NULL,
  expediteur TEXT NOT NULL,
  type TEXT NOT NULL,
  empreinte_mot_de_passe TEXT,
  fichiers TEXT NOT NULL,
  ordre TEXT NOT NULL,
  cree_le INTEGER NOT NULL,
  expire_le INTEGER,
  nb_fichiers INTEGER NOT NULL,
  octets INTEGER NOT NULL,
  empreinte_corps TEXT NOT NULL,
  nb_telechargements INTEGER NOT NULL DEFAULT 0,
  dernier_telechargement INTEGER,
  nb_vues INTEGER NOT NULL DEFAULT 0,
  premiere_vue INTEGER,
  derniere_vue INTEGER
);
CREATE INDEX IF NOT EXISTS transferts_par_date ON transferts (cree_le DESC);
)",
    // Fingerprints used to cover the password: a fast digest against which guesses could be tested.
    // Those of protected transfers go; a retry of such a creation now gets a 409.
    "UPDATE transferts SET empreinte_corps = '' WHERE empreinte_mot_de_passe IS NOT NULL;"};

constexpr const char* colonnes =
    "token, titre, expediteur, type, empreinte_mot_de_passe, fichiers, ordre, cree_le, expire_le, "
    "nb_fichiers, octets, empreinte_corps, nb_telechargements, dernier_telechargement, nb_vues, "
    "premiere_vue, derniere_vue";

// A prepared statement, finalised on every path.
class Requete final {
public:
    Requete(sqlite3* connexion, const std::string& sql)
        : m_connexion(connexion)
    {
        if (sqlite3_prepare_v2(connexion, sql.c_str(), -1, &m_requete, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(connexion));
        }
    }
    ~Requete() { sqlite3_finalize(m_requete); }
    Requete(const Requete&) = delete;
    Requete& operator=(const Requete&) = delete;

    Requete& lier(const std::string& texte)
    {
        sqlite3_bind_text(m_requete, ++m_position, texte.data(), static_cast<int>(texte.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Requete& lier(std::int64_t nombre)
    {
        sqlite3_bind_int64(m_requete, ++m_position, nombre);
        return *this;
    }
    template <typename T> Requete& lier(const std::optional<T>& valeur)
    {
        if (valeur) {
            return lier(*valeur);
        }
        sqlite3_bind_null(m_requete, ++m_position);
        return *this;
    }

    // True while a row is available; throws on an error other than a constraint.
    bool pas()
    {
        const int resultat = sqlite3_step(m_requete);
        if (resultat == SQLITE_ROW) {
            return true;
        }
        if (resultat == SQLITE_DONE || resultat == SQLITE_CONSTRAINT) {
            m_contrainteViolee = resultat == SQLITE_CONSTRAINT;
            return false;
        }
        throw std::runtime_error(sqlite3_errmsg(m_connexion));
    }
    bool contrainteViolee() const { return m_contrainteViolee; }
    int lignesTouchees() const { return sqlite3_changes(m_connexion); }

    std::string texte(int colonne) const
    {
        const auto* octets = sqlite3_column_text(m_requete, colonne);
        return octets ? std::string(reinterpret_cast<const char*>(octets),
                                    static_cast<std::size_t>(sqlite3_column_bytes(m_requete, colonne)))
                      : std::string();
    }
    std::int64_t entier(int colonne) const { return sqlite3_column_int64(m_requete, colonne); }
    bool nul(int colonne) const { return sqlite3_column_type(m_requete, colonne) == SQLITE_NULL; }
    std::optional<std::string> texteOptionnel(int colonne) const
    {
        return nul(colonne) ? std::nullopt : std::optional(texte(colonne));
    }
    std::optional<std::int64_t> entierOptionnel(int colonne) const
    {
        return nul(colonne) ? std::nullopt : std::optional(entier(colonne));
    }

private:
    sqlite3* m_connexion;
    sqlite3_stmt* m_requete = nullptr;
    int m_position = 0;
    bool m_contrainteViolee = false;
};

std::vector<std::string> listeDepuisJSON(const std::string& texte)
{
    return nlohmann::json::parse(texte).get<std::vector<std::string>>();
}

Enregistrement lireLigne(const Requete& r)
{
    Enregistrement e;
    e.token = r.texte(0);
    e.titre = r.texte(1);
    e.expediteur = r.texte(2);
    e.type = r.texte(3);
    e.empreinteMotDePasse = r.texteOptionnel(4);
    e.fichiers = listeDepuisJSON(r.texte(5));
    e.ordre = listeDepuisJSON(r.texte(6));
    e.creeLe = r.entier(7);
    e.expireLe = r.entierOptionnel(8);
    e.nbFichiers = r.entier(9);
    e.octets = r.entier(10);
    e.empreinteCorps = r.texte(11);
    e.nbTelechargements = r.entier(12);
    e.dernierTelechargement = r.entierOptionnel(13);
    e.nbVues = r.entier(14);
    e.premiereVue = r.entierOptionnel(15);
    e.derniereVue = r.entierOptionnel(16);
    return e;
}

std::expected<void, std::string> executer(sqlite3* connexion, const std::string& sql)
{
    char* erreur = nullptr;
    if (sqlite3_exec(connexion, sql.c_str(), nullptr, nullptr, &erreur) != SQLITE_OK) {
        const std::string message = erreur ? erreur : sqlite3_errmsg(connexion);
        sqlite3_free(erreur);
        return std::unexpected(message);
    }
    return {};
}

// Runs `action` under the connection's lock; an exception becomes the failure it reports.
template <typename Action>
auto sousVerrou(std::mutex& verrou, Action action) -> std::expected<decltype(action()), std::string>
{
    const std::lock_guard garde(verrou);
    try {
        return action();
    } catch (const std::exception& e) {
        return std::unexpected(std::string(e.what()));
    }
}

void supprimerBase(const std::filesystem::path& fichier)
{
    std::error_code erreur;
    for (const char* suffixe : {"", "-wal", "-shm"}) {
        std::filesystem::remove(fichier.string() + suffixe, erreur);
    }
}

} // namespace

std::expected<std::unique_ptr<StockageSQLite>, std::string>
StockageSQLite::ouvrir(const std::filesystem::path& fichier, int attenteMillisecondes)
{
    std::error_code erreur;
    if (!std::filesystem::exists(fichier, erreur)) {
        // Built aside and renamed once complete: a first start cut short leaves no half-made database.
        const std::filesystem::path temporaire =
            fichier.parent_path() / ("." + fichier.filename().string() + ".creation");
        supprimerBase(temporaire);
        auto creee = connecter(temporaire, attenteMillisecondes);
        if (!creee) {
            supprimerBase(temporaire);
            return std::unexpected(creee.error());
        }
        creee->reset();
        if (const auto publiee = FichierAtomique::publier(temporaire, fichier); !publiee) {
            supprimerBase(temporaire);
            return std::unexpected(publiee.error());
        }
    }
    return connecter(fichier, attenteMillisecondes);
}

std::expected<std::unique_ptr<StockageSQLite>, std::string>
StockageSQLite::connecter(const std::filesystem::path& fichier, int attenteMillisecondes)
{
    sqlite3* connexion = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(fichier.c_str(), &connexion, flags, nullptr) != SQLITE_OK) {
        const std::string message = connexion ? sqlite3_errmsg(connexion) : "mémoire insuffisante";
        sqlite3_close(connexion);
        return std::unexpected("Base de données inaccessible (" + fichier.string() + ") : " + message);
    }
    // Before anything else: even switching to WAL waits for a lock another process holds.
    sqlite3_busy_timeout(connexion, attenteMillisecondes);
    auto base = std::unique_ptr<StockageSQLite>(new StockageSQLite(connexion));
    auto prete = executer(connexion, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    if (prete) {
        prete = base->migrer();
    }
    if (!prete) {
        return std::unexpected("Base de données illisible (" + fichier.string() + ") : " + prete.error());
    }
    return base;
}

std::expected<void, std::string> StockageSQLite::migrer()
{
    const std::lock_guard verrou(m_verrou);
    std::int64_t version = 0;
    try {
        Requete r(m_connexion, "PRAGMA user_version");
        r.pas();
        version = r.entier(0);
    } catch (const std::exception& e) {
        return std::unexpected(std::string(e.what()));
    }
    if (version > static_cast<std::int64_t>(migrations.size())) {
        return std::unexpected("version " + std::to_string(version) + " plus récente que ce serveur");
    }
    for (auto etape = static_cast<std::size_t>(version); etape < migrations.size(); ++etape) {
        const std::string sql = std::string("BEGIN IMMEDIATE; ") + migrations[etape] +
                                "; PRAGMA user_version = " + std::to_string(etape + 1) + "; COMMIT;";
        if (const auto faite = executer(m_connexion, sql); !faite) {
            sqlite3_exec(m_connexion, "ROLLBACK", nullptr, nullptr, nullptr);
            return faite;
        }
    }
    return {};
}

StockageSQLite::StockageSQLite(sqlite3* connexion)
    : m_connexion(connexion)
{
}

StockageSQLite::~StockageSQLite()
{
    sqlite3_close(m_connexion);
}

std::expected<bool, std::string> StockageSQLite::inserer(const Enregistrement& e)
{
    return sousVerrou(m_verrou, [&] {
        Requete r(m_connexion, std::string("INSERT INTO transferts (") + colonnes +
                                   ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        r.lier(e.token).lier(e.titre).lier(e.expediteur).lier(e.type).lier(e.empreinteMotDePasse);
        r.lier(nlohmann::json(e.fichiers).dump()).lier(nlohmann::json(e.ordre).dump());
        r.lier(e.creeLe).lier(e.expireLe).lier(e.nbFichiers).lier(e.octets).lier(e.empreinteCorps);
        r.lier(e.nbTelechargements).lier(e.dernierTelechargement).lier(e.nbVues).lier(e.premiereVue);
        r.lier(e.derniereVue);
        r.pas();
        return !r.contrainteViolee();
    });
}

std::optional<Enregistrement> StockageSQLite::trouver(const std::string& token)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, std::string("SELECT ") + colonnes + " FROM transferts WHERE token = ?");
    r.lier(token);
    if (!r.pas()) {
        return std::nullopt;
    }
    return lireLigne(r);
}

std::vector<Enregistrement> StockageSQLite::lister()
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion,
              std::string("SELECT ") + colonnes + " FROM transferts ORDER BY cree_le DESC, rowid DESC");
    std::vector<Enregistrement> liste;
    while (r.pas()) {
        liste.push_back(lireLigne(r));
    }
    return liste;
}

std::expected<bool, std::string>
StockageSQLite::modifier(const std::string& token, const std::optional<std::string>& titre,
                         const std::optional<std::optional<std::int64_t>>& expireLe)
{
    return sousVerrou(m_verrou, [&] {
        std::string affectations = "token = token";
        affectations += titre ? ", titre = ?" : "";
        affectations += expireLe ? ", expire_le = ?" : "";
        Requete r(m_connexion, "UPDATE transferts SET " + affectations + " WHERE token = ?");
        if (titre) {
            r.lier(*titre);
        }
        if (expireLe) {
            r.lier(*expireLe);
        }
        r.lier(token);
        r.pas();
        return r.lignesTouchees() > 0;
    });
}

std::expected<bool, std::string> StockageSQLite::supprimer(const std::string& token)
{
    return sousVerrou(m_verrou, [&] {
        Requete r(m_connexion, "DELETE FROM transferts WHERE token = ?");
        r.lier(token);
        r.pas();
        return r.lignesTouchees() > 0;
    });
}

bool StockageSQLite::compter(const char* compteur, const std::string& sql, const std::string& token,
                             std::int64_t quand) noexcept
{
    try {
        const auto compte = sousVerrou(m_verrou, [&] {
            Requete r(m_connexion, sql);
            r.lier(quand).lier(token);
            r.pas();
            return true;
        });
        if (!compte) {
            journal::erreur(compteur, compte.error());
        }
        return compte.has_value();
    } catch (...) {
        return false;
    }
}

bool StockageSQLite::compterVue(const std::string& token, std::int64_t quand) noexcept
{
    return compter("compteur de vues",
                   "UPDATE transferts SET nb_vues = nb_vues + 1, premiere_vue = COALESCE(premiere_vue, ?1), "
                   "derniere_vue = ?1 WHERE token = ?2",
                   token, quand);
}

bool StockageSQLite::compterTelechargement(const std::string& token, std::int64_t quand) noexcept
{
    return compter("compteur de téléchargements",
                   "UPDATE transferts SET nb_telechargements = nb_telechargements + 1, "
                   "dernier_telechargement = ?1 WHERE token = ?2",
                   token, quand);
}

} // namespace serveur
