#include "Base.h"

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <stdexcept>

namespace serveur {

namespace {

constexpr const char* schema = R"(
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
)";

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

} // namespace

std::expected<std::unique_ptr<Base>, std::string> Base::ouvrir(const std::filesystem::path& fichier)
{
    sqlite3* connexion = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(fichier.c_str(), &connexion, flags, nullptr) != SQLITE_OK) {
        const std::string message = connexion ? sqlite3_errmsg(connexion) : "mémoire insuffisante";
        sqlite3_close(connexion);
        return std::unexpected("Base de données inaccessible (" + fichier.string() + ") : " + message);
    }
    char* erreur = nullptr;
    const std::string preparation =
        std::string("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") + schema;
    if (sqlite3_exec(connexion, preparation.c_str(), nullptr, nullptr, &erreur) != SQLITE_OK) {
        const std::string message = erreur ? erreur : "";
        sqlite3_free(erreur);
        sqlite3_close(connexion);
        return std::unexpected("Base de données illisible (" + fichier.string() + ") : " + message);
    }
    sqlite3_busy_timeout(connexion, 5000);
    return std::unique_ptr<Base>(new Base(connexion));
}

Base::Base(sqlite3* connexion)
    : m_connexion(connexion)
{
}

Base::~Base()
{
    sqlite3_close(m_connexion);
}

bool Base::inserer(const Enregistrement& e)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, std::string("INSERT INTO transferts (") + colonnes +
                               ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    r.lier(e.token).lier(e.titre).lier(e.expediteur).lier(e.type).lier(e.empreinteMotDePasse);
    r.lier(nlohmann::json(e.fichiers).dump()).lier(nlohmann::json(e.ordre).dump());
    r.lier(e.creeLe).lier(e.expireLe).lier(e.nbFichiers).lier(e.octets).lier(e.empreinteCorps);
    r.lier(e.nbTelechargements).lier(e.dernierTelechargement).lier(e.nbVues).lier(e.premiereVue);
    r.lier(e.derniereVue);
    r.pas();
    return !r.contrainteViolee();
}

std::optional<Enregistrement> Base::trouver(const std::string& token)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, std::string("SELECT ") + colonnes + " FROM transferts WHERE token = ?");
    r.lier(token);
    if (!r.pas()) {
        return std::nullopt;
    }
    return lireLigne(r);
}

std::vector<Enregistrement> Base::lister()
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

bool Base::modifier(const std::string& token, const std::string& titre, std::optional<std::int64_t> expireLe)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, "UPDATE transferts SET titre = ?, expire_le = ? WHERE token = ?");
    r.lier(titre).lier(expireLe).lier(token);
    r.pas();
    return r.lignesTouchees() > 0;
}

bool Base::supprimer(const std::string& token)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, "DELETE FROM transferts WHERE token = ?");
    r.lier(token);
    r.pas();
    return r.lignesTouchees() > 0;
}

void Base::compterVue(const std::string& token, std::int64_t quand)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion,
              "UPDATE transferts SET nb_vues = nb_vues + 1, premiere_vue = COALESCE(premiere_vue, ?), "
              "derniere_vue = ? WHERE token = ?");
    r.lier(quand).lier(quand).lier(token);
    r.pas();
}

void Base::compterTelechargement(const std::string& token, std::int64_t quand)
{
    const std::lock_guard verrou(m_verrou);
    Requete r(m_connexion, "UPDATE transferts SET nb_telechargements = nb_telechargements + 1, "
                           "dernier_telechargement = ? WHERE token = ?");
    r.lier(quand).lier(token);
    r.pas();
}

} // namespace serveur
