#pragma once

#include "serveur/stockage/EtatPartage.h"
#include "serveur/stockage/Stockage.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace serveur {

class ConnexionPostgreSQL;

// The transfers and the shared state in PostgreSQL, for instances behind one proxy. Each thread borrows a
// connection of its own from a pool that grows to the number of threads asking at once; every statement
// is parameterised and every update of a counter or a throttle is one statement.
class StockagePostgreSQL final : public Stockage, public EtatPartage {
public:
    // `adresse`: a libpq connection string or URI; `motDePasse` empty: libpq's own sources (PGPASSFILE).
    // Brings the schema to this server's version.
    static std::expected<std::unique_ptr<StockagePostgreSQL>, std::string>
    ouvrir(const std::string& adresse, const std::string& motDePasse);
    ~StockagePostgreSQL() override;
    StockagePostgreSQL(const StockagePostgreSQL&) = delete;
    StockagePostgreSQL& operator=(const StockagePostgreSQL&) = delete;

    std::expected<bool, std::string> inserer(const Enregistrement& enregistrement) override;
    std::optional<Enregistrement> trouver(const std::string& token) override;
    std::vector<Enregistrement> lister() override;
    std::expected<bool, std::string>
    modifier(const std::string& token, const std::optional<std::string>& titre,
             const std::optional<std::optional<std::int64_t>>& expireLe) override;
    std::expected<bool, std::string> supprimer(const std::string& token) override;
    bool compterVue(const std::string& token, std::int64_t quand) noexcept override;
    bool compterTelechargement(const std::string& token, std::int64_t quand) noexcept override;
    EtatPartage* etatPartage() override { return this; }

    VueMarquee marquerVue(const std::string& visiteur, std::int64_t maintenant,
                          std::int64_t fenetre) override;
    std::int64_t reserverTentative(const std::string& cle, std::int64_t maintenant,
                                   RegleFrein regle) override;
    void oublierTentatives(const std::string& cle) override;
    std::expected<std::string, std::string> secretPartage(const std::string& propose) override;

    // Copies `transferts` (newest first) and the signing secret in one transaction; refused when the
    // database already holds transfers, so a second run cannot mix two studios.
    std::expected<void, std::string> importer(const std::vector<Enregistrement>& transferts,
                                              const std::string& secret);

private:
    // Counts and throttles hit one row per transfer or visitor, each writer waiting for the one before: their
    // commits do not wait for the disk, so a crash of PostgreSQL itself may lose the last instant of counts,
    // as SQLite's WAL does on a power loss. Records always wait.
    enum class Validation { attendue, differee };

    StockagePostgreSQL(std::string adresse, std::string motDePasse);
    std::expected<std::unique_ptr<ConnexionPostgreSQL>, std::string> emprunter(Validation validation);
    void rendre(std::unique_ptr<ConnexionPostgreSQL> connexion, Validation validation);
    // Runs `action` on a borrowed connection; an exception or a lost connection becomes the failure returned,
    // after one more try on a new connection when `rejouable`.
    template <typename Action>
    auto avecConnexion(Action action, Validation validation = Validation::attendue, bool rejouable = false)
        -> std::expected<decltype(action(std::declval<ConnexionPostgreSQL&>())), std::string>;
    void oublierConnexions();
    std::expected<void, std::string> migrer();
    bool compter(const char* compteur, const char* sql, const std::string& token,
                 std::int64_t quand) noexcept;
    void oublierAnciennes(std::int64_t maintenant);

    std::string m_adresse;
    std::string m_motDePasse;
    std::mutex m_verrou;
    std::array<std::vector<std::unique_ptr<ConnexionPostgreSQL>>, 2> m_libres;
    std::int64_t m_dernierMenage = 0;
};

} // namespace serveur
