#include "StockagePostgreSQL.h"

#include "serveur/Journal.h"
#include "serveur/stockage/ConnexionPostgreSQL.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace serveur {

namespace {

// Advisory lock keys, the same on every instance.
constexpr const char* verrouMigration = "7661746f0001";
constexpr const char* verrouMenage = "7661746f0002";

// Kept step for step with the SQLite list, so that one version number means one schema in both.
constexpr std::array<const char*, 2> migrations = {
    R"(
CREATE TABLE transferts (
  token TEXT PRIMARY KEY,
  titre TEXT NOT NULL,
  expediteur TEXT NOT NULL,
  type TEXT NOT NULL,
  empreinte_mot_de_passe TEXT,
  fichiers TEXT NOT NULL,
  ordre TEXT NOT NULL,
  cree_le BIGINT NOT NULL,
  expire_le BIGINT,
  nb_fichiers BIGINT NOT NULL,
  octets BIGINT NOT NULL,
  empreinte_corps TEXT NOT NULL,
  nb_telechargements BIGINT NOT NULL DEFAULT 0,
  dernier_telechargement BIGINT,
  nb_vues BIGINT NOT NULL DEFAULT 0,
  premiere_vue BIGINT,
  derniere_vue BIGINT,
  rang BIGSERIAL NOT NULL
);
CREATE INDEX transferts_par_date ON transferts (cree_le DESC, rang DESC);
CREATE TABLE vues_recentes (visiteur TEXT PRIMARY KEY, derniere BIGINT NOT NULL);
CREATE TABLE tentatives (cle TEXT PRIMARY KEY, echecs INTEGER NOT NULL, libre_a BIGINT NOT NULL);
CREATE TABLE secrets (nom TEXT PRIMARY KEY, valeur TEXT NOT NULL);
)",
    "UPDATE transferts SET empreinte_corps = '' WHERE empreinte_mot_de_passe IS NOT NULL;"};

constexpr const char* colonnes =
    "token, titre, expediteur, type, empreinte_mot_de_passe, fichiers, ordre, cree_le, expire_le, "
    "nb_fichiers, octets, empreinte_corps, nb_telechargements, dernier_telechargement, nb_vues, "
    "premiere_vue, derniere_vue";

const std::string insertion = std::string("INSERT INTO transferts (") + colonnes +
                              ") VALUES ($1,$2,$3,$4,$5,$6,$7,$8,$9,$10,$11,$12,$13,$14,$15,$16,$17)";

std::vector<std::string> listeDepuisJSON(const std::string& texte)
{
    return nlohmann::json::parse(texte).get<std::vector<std::string>>();
}

Enregistrement lireLigne(const ConnexionPostgreSQL::Resultat& r, int l)
{
    Enregistrement e;
    e.token = r.texte(l, 0);
    e.titre = r.texte(l, 1);
    e.expediteur = r.texte(l, 2);
    e.type = r.texte(l, 3);
    e.empreinteMotDePasse = r.texteOptionnel(l, 4);
    e.fichiers = listeDepuisJSON(r.texte(l, 5));
    e.ordre = listeDepuisJSON(r.texte(l, 6));
    e.creeLe = r.entier(l, 7);
    e.expireLe = r.entierOptionnel(l, 8);
    e.nbFichiers = r.entier(l, 9);
    e.octets = r.entier(l, 10);
    e.empreinteCorps = r.texte(l, 11);
    e.nbTelechargements = r.entier(l, 12);
    e.dernierTelechargement = r.entierOptionnel(l, 13);
    e.nbVues = r.entier(l, 14);
    e.premiereVue = r.entierOptionnel(l, 15);
    e.derniereVue = r.entierOptionnel(l, 16);
    return e;
}

ConnexionPostgreSQL::Resultat inserer(ConnexionPostgreSQL& c, const std::string& sql, const Enregistrement& e)
{
    return c.executer(sql,
                      {e.token, e.titre, e.expediteur, e.type, e.empreinteMotDePasse,
                       nlohmann::json(e.fichiers).dump(), nlohmann::json(e.ordre).dump(), parametre(e.creeLe),
                       parametre(e.expireLe), parametre(e.nbFichiers), parametre(e.octets), e.empreinteCorps,
                       parametre(e.nbTelechargements), parametre(e.dernierTelechargement),
                       parametre(e.nbVues), parametre(e.premiereVue), parametre(e.derniereVue)});
}

// A transaction left open by a failure would hold its locks as long as the connection lives.
template <typename Action> auto enTransaction(ConnexionPostgreSQL& c, Action action)
{
    c.executerScript("BEGIN");
    try {
        auto resultat = action();
        c.executerScript("COMMIT");
        return resultat;
    } catch (...) {
        if (!c.perdue()) {
            c.executerScript("ROLLBACK");
        }
        throw;
    }
}

} // namespace

std::expected<std::unique_ptr<StockagePostgreSQL>, std::string>
StockagePostgreSQL::ouvrir(const std::string& adresse, const std::string& motDePasse)
{
    auto stockage = std::unique_ptr<StockagePostgreSQL>(new StockagePostgreSQL(adresse, motDePasse));
    if (const auto migree = stockage->migrer(); !migree) {
        return std::unexpected("Base PostgreSQL inutilisable : " + migree.error());
    }
    return stockage;
}

StockagePostgreSQL::StockagePostgreSQL(std::string adresse, std::string motDePasse)
    : m_adresse(std::move(adresse))
    , m_motDePasse(std::move(motDePasse))
{
}

StockagePostgreSQL::~StockagePostgreSQL() = default;

std::expected<std::unique_ptr<ConnexionPostgreSQL>, std::string>
StockagePostgreSQL::emprunter(Validation validation)
{
    auto& libres = m_libres[static_cast<std::size_t>(validation)];
    {
        const std::lock_guard verrou(m_verrou);
        if (!libres.empty()) {
            auto connexion = std::move(libres.back());
            libres.pop_back();
            return connexion;
        }
    }
    auto connexion = ConnexionPostgreSQL::ouvrir(m_adresse, m_motDePasse);
    if (connexion && validation == Validation::differee) {
        try {
            (*connexion)->executerScript("SET synchronous_commit TO off");
        } catch (const std::exception& e) {
            return std::unexpected(std::string(e.what()));
        }
    }
    return connexion;
}

void StockagePostgreSQL::rendre(std::unique_ptr<ConnexionPostgreSQL> connexion, Validation validation)
{
    // A connection the server dropped (restart, failover) is replaced on the next borrow.
    if (!connexion->perdue()) {
        const std::lock_guard verrou(m_verrou);
        m_libres[static_cast<std::size_t>(validation)].push_back(std::move(connexion));
    }
}

template <typename Action>
auto StockagePostgreSQL::avecConnexion(Action action, Validation validation, bool rejouable)
    -> std::expected<decltype(action(std::declval<ConnexionPostgreSQL&>())), std::string>
{
    for (;;) {
        auto connexion = emprunter(validation);
        if (!connexion) {
            return std::unexpected(connexion.error());
        }
        try {
            auto resultat = action(**connexion);
            rendre(std::move(*connexion), validation);
            return resultat;
        } catch (const std::exception& e) {
            if (!(*connexion)->perdue()) {
                rendre(std::move(*connexion), validation);
                return std::unexpected(std::string(e.what()));
            }
            // PostgreSQL restarted or failed over: the idle connections went with it. A read runs again on a
            // new one; a write may have been done before the loss, and is reported.
            oublierConnexions();
            if (!std::exchange(rejouable, false)) {
                return std::unexpected(std::string(e.what()));
            }
        }
    }
}

void StockagePostgreSQL::oublierConnexions()
{
    const std::lock_guard verrou(m_verrou);
    for (auto& libres : m_libres) {
        libres.clear();
    }
}

std::expected<void, std::string> StockagePostgreSQL::migrer()
{
    const auto migree = avecConnexion([](ConnexionPostgreSQL& c) {
        return enTransaction(c, [&] {
            // Instances starting together: one migrates, the others wait for it and find nothing left to do.
            c.executer("SELECT pg_advisory_xact_lock(x'" + std::string(verrouMigration) + "'::bigint)");
            c.executerScript(
                "CREATE TABLE IF NOT EXISTS version_schema (version INTEGER NOT NULL);"
                "INSERT INTO version_schema SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM version_schema);");
            const std::int64_t version = c.executer("SELECT version FROM version_schema").entier(0, 0);
            if (version > static_cast<std::int64_t>(migrations.size())) {
                throw std::runtime_error("version " + std::to_string(version) +
                                         " plus récente que ce serveur");
            }
            for (auto etape = static_cast<std::size_t>(version); etape < migrations.size(); ++etape) {
                c.executerScript(migrations[etape]);
                c.executer("UPDATE version_schema SET version = $1",
                           {parametre(static_cast<std::int64_t>(etape + 1))});
            }
            return true;
        });
    });
    if (!migree) {
        return std::unexpected(migree.error());
    }
    return {};
}

std::expected<bool, std::string> StockagePostgreSQL::inserer(const Enregistrement& e)
{
    // Creations of one token racing on several instances: the first row stays, the others see a conflict.
    return avecConnexion([&](ConnexionPostgreSQL& c) {
        return serveur::inserer(c, insertion + " ON CONFLICT (token) DO NOTHING", e).touchees() == 1;
    });
}

std::optional<Enregistrement> StockagePostgreSQL::trouver(const std::string& token)
{
    auto trouve = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            const auto r =
                c.executer(std::string("SELECT ") + colonnes + " FROM transferts WHERE token = $1", {token});
            return r.lignes() == 0 ? std::nullopt : std::optional(lireLigne(r, 0));
        },
        Validation::attendue, true);
    if (!trouve) {
        throw std::runtime_error(trouve.error());
    }
    return std::move(*trouve);
}

std::vector<Enregistrement> StockagePostgreSQL::lister()
{
    auto liste = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            const auto r = c.executer(std::string("SELECT ") + colonnes +
                                      " FROM transferts ORDER BY cree_le DESC, rang DESC");
            std::vector<Enregistrement> transferts;
            for (int l = 0; l < r.lignes(); ++l) {
                transferts.push_back(lireLigne(r, l));
            }
            return transferts;
        },
        Validation::attendue, true);
    if (!liste) {
        throw std::runtime_error(liste.error());
    }
    return std::move(*liste);
}

std::expected<bool, std::string>
StockagePostgreSQL::modifier(const std::string& token, const std::optional<std::string>& titre,
                             const std::optional<std::optional<std::int64_t>>& expireLe)
{
    return avecConnexion([&](ConnexionPostgreSQL& c) {
        std::vector<ConnexionPostgreSQL::Parametre> valeurs{token};
        std::string affectations = "token = token";
        if (titre) {
            valeurs.push_back(*titre);
            affectations += ", titre = $" + std::to_string(valeurs.size());
        }
        if (expireLe) {
            valeurs.push_back(parametre(*expireLe));
            affectations += ", expire_le = $" + std::to_string(valeurs.size()) + "::bigint";
        }
        return c.executer("UPDATE transferts SET " + affectations + " WHERE token = $1", valeurs).touchees() >
               0;
    });
}

std::expected<bool, std::string> StockagePostgreSQL::supprimer(const std::string& token)
{
    return avecConnexion([&](ConnexionPostgreSQL& c) {
        return c.executer("DELETE FROM transferts WHERE token = $1", {token}).touchees() > 0;
    });
}

bool StockagePostgreSQL::compter(const char* compteur, const char* sql, const std::string& token,
                                 std::int64_t quand) noexcept
{
    try {
        const auto compte = avecConnexion(
            [&](ConnexionPostgreSQL& c) {
                return c.executer(sql, {parametre(quand), token}).touchees() > 0;
            },
            Validation::differee);
        if (!compte) {
            journal::erreur(compteur, compte.error());
        }
        return compte.value_or(false);
    } catch (...) {
        return false;
    }
}

bool StockagePostgreSQL::compterVue(const std::string& token, std::int64_t quand) noexcept
{
    return compter(
        "compteur de vues",
        "UPDATE transferts SET nb_vues = nb_vues + 1, premiere_vue = COALESCE(premiere_vue, $1::bigint), "
        "derniere_vue = $1::bigint WHERE token = $2",
        token, quand);
}

bool StockagePostgreSQL::compterTelechargement(const std::string& token, std::int64_t quand) noexcept
{
    return compter("compteur de téléchargements",
                   "UPDATE transferts SET nb_telechargements = nb_telechargements + 1, "
                   "dernier_telechargement = $1::bigint WHERE token = $2",
                   token, quand);
}

VueMarquee StockagePostgreSQL::marquerVue(const std::string& visiteur, std::int64_t maintenant,
                                          std::int64_t fenetre)
{
    oublierAnciennes(maintenant);
    // A reload within the window writes nothing and locks nothing: a crowd on one link does not queue.
    // Two first loads at once: one insertion wins; two loads past the window: the second update finds the
    // first one's time and leaves the row alone. Not counted, the time read is the one before this statement.
    const auto marquee = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            const auto r = c.executer(
                "WITH maj AS (UPDATE vues_recentes SET derniere = $2::bigint WHERE visiteur = $1 "
                "AND derniere <= $2::bigint - $3::bigint RETURNING 1), "
                "ajout AS (INSERT INTO vues_recentes (visiteur, derniere) SELECT $1, $2::bigint "
                "WHERE NOT EXISTS (SELECT 1 FROM maj) ON CONFLICT (visiteur) DO NOTHING RETURNING 1), "
                "compte AS (SELECT (SELECT count(*) FROM maj) + (SELECT count(*) FROM ajout) AS n) "
                "SELECT n, CASE WHEN n = 1 THEN $2::bigint "
                "ELSE (SELECT derniere FROM vues_recentes WHERE visiteur = $1) END FROM compte",
                {visiteur, parametre(maintenant), parametre(fenetre)});
            return VueMarquee{r.entier(0, 0) == 1, r.entierOptionnel(0, 1)};
        },
        Validation::differee);
    if (!marquee) {
        journal::erreur("filtre des vues", marquee.error());
    }
    return marquee.value_or(VueMarquee{});
}

std::int64_t StockagePostgreSQL::reserverTentative(const std::string& cle, std::int64_t maintenant,
                                                   RegleFrein regle)
{
    // The row is written when the wait is over, and the remaining wait read otherwise, in one statement.
    // No row at all: another attempt wrote it after this statement's snapshot, so this one waits.
    const auto attente = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            const auto r = c.executer(
                "WITH essai AS (INSERT INTO tentatives AS t (cle, echecs, libre_a) "
                "VALUES ($1, 1, $2::bigint + LEAST($3::bigint, $4::bigint)) "
                "ON CONFLICT (cle) DO UPDATE SET echecs = LEAST(t.echecs + 1, 20), "
                "libre_a = $2::bigint + LEAST($4::bigint, $3::bigint << LEAST(t.echecs, 19)) "
                "WHERE t.libre_a <= $2::bigint RETURNING 0::bigint AS attente) "
                "SELECT attente FROM essai UNION ALL "
                "SELECT libre_a - $2::bigint FROM tentatives WHERE cle = $1 AND NOT EXISTS (SELECT 1 FROM "
                "essai)",
                {cle, parametre(maintenant), parametre(regle.attenteDeBase), parametre(regle.attenteMax)});
            return r.lignes() == 0 ? regle.attenteDeBase : std::max<std::int64_t>(0, r.entier(0, 0));
        },
        Validation::differee);
    if (!attente) {
        // Unable to count the attempt: it is refused rather than checked uncounted.
        journal::erreur("frein des mots de passe", attente.error());
    }
    return attente.value_or(regle.attenteDeBase);
}

void StockagePostgreSQL::oublierTentatives(const std::string& cle)
{
    const auto oubliee = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            return c.executer("DELETE FROM tentatives WHERE cle = $1", {cle}).touchees();
        },
        Validation::differee);
    if (!oubliee) {
        journal::erreur("frein des mots de passe", oubliee.error());
    }
}

// Every instance sweeps now and then; the lock lets one of them at a time do it, the others skip.
void StockagePostgreSQL::oublierAnciennes(std::int64_t maintenant)
{
    constexpr std::int64_t intervalle = 60;
    {
        const std::lock_guard verrou(m_verrou);
        if (maintenant - m_dernierMenage < intervalle) {
            return;
        }
        m_dernierMenage = maintenant;
    }
    const auto fait = avecConnexion(
        [&](ConnexionPostgreSQL& c) {
            return c
                .executer(
                    std::string("WITH verrou AS (SELECT pg_try_advisory_xact_lock(x'") + verrouMenage +
                        "'::bigint) AS pris), vues AS (DELETE FROM vues_recentes WHERE derniere < $1::bigint "
                        "AND (SELECT pris FROM verrou)) DELETE FROM tentatives WHERE libre_a < $2::bigint "
                        "AND (SELECT pris FROM verrou)",
                    {parametre(maintenant - 24 * 3600), parametre(maintenant - 3600)})
                .touchees();
        },
        Validation::differee);
    if (!fait) {
        journal::erreur("ménage de l'état partagé", fait.error());
    }
}

std::expected<std::string, std::string> StockagePostgreSQL::secretPartage(const std::string& propose)
{
    const auto secret = avecConnexion([&](ConnexionPostgreSQL& c) {
        // Two first starts at once: the one that lost the insertion reads the winner's in a second statement.
        for (int essai = 0; essai < 2; ++essai) {
            const auto r = c.executer(
                "WITH ajout AS (INSERT INTO secrets (nom, valeur) VALUES ('signature', $1) "
                "ON CONFLICT (nom) DO NOTHING RETURNING valeur) "
                "SELECT valeur FROM ajout UNION ALL SELECT valeur FROM secrets WHERE nom = 'signature'",
                {propose});
            if (r.lignes() > 0) {
                return r.texte(0, 0);
            }
        }
        throw std::runtime_error("secret de signature introuvable");
    });
    if (!secret) {
        return std::unexpected("Secret partagé illisible : " + secret.error());
    }
    return *secret;
}

std::expected<void, std::string> StockagePostgreSQL::importer(const std::vector<Enregistrement>& transferts,
                                                              const std::string& secret)
{
    const auto importe = avecConnexion([&](ConnexionPostgreSQL& c) {
        return enTransaction(c, [&] {
            c.executerScript("LOCK TABLE transferts IN EXCLUSIVE MODE");
            if (c.executer("SELECT count(*) FROM transferts").entier(0, 0) > 0) {
                throw std::runtime_error("la base PostgreSQL contient déjà des transferts");
            }
            // Oldest first: the order of insertion breaks ties between equal creation times.
            for (auto e = transferts.rbegin(); e != transferts.rend(); ++e) {
                serveur::inserer(c, insertion, *e);
            }
            c.executer("INSERT INTO secrets (nom, valeur) VALUES ('signature', $1) "
                       "ON CONFLICT (nom) DO UPDATE SET valeur = EXCLUDED.valeur",
                       {secret});
            return true;
        });
    });
    if (!importe) {
        return std::unexpected(importe.error());
    }
    return {};
}

} // namespace serveur
