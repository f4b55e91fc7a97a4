#pragma once

#include "serveur/stockage/Stockage.h"

#include <filesystem>
#include <memory>
#include <mutex>

struct sqlite3;

namespace serveur {

// The transfers in SQLite (WAL), for one process. One connection shared by all threads behind a lock:
// every statement is short, and SQLite serialises writers anyway.
class StockageSQLite final : public Stockage {
public:
    // Waits up to `attenteMillisecondes` for a lock held by another connection before failing.
    static std::expected<std::unique_ptr<StockageSQLite>, std::string>
    ouvrir(const std::filesystem::path& fichier, int attenteMillisecondes = 5000);
    ~StockageSQLite() override;
    StockageSQLite(const StockageSQLite&) = delete;
    StockageSQLite& operator=(const StockageSQLite&) = delete;

    std::expected<bool, std::string> inserer(const Enregistrement& enregistrement) override;
    std::optional<Enregistrement> trouver(const std::string& token) override;
    std::vector<Enregistrement> lister() override;
    std::expected<bool, std::string>
    modifier(const std::string& token, const std::optional<std::string>& titre,
             const std::optional<std::optional<std::int64_t>>& expireLe) override;
    std::expected<bool, std::string> supprimer(const std::string& token) override;
    bool compterVue(const std::string& token, std::int64_t quand) noexcept override;
    bool compterTelechargement(const std::string& token, std::int64_t quand) noexcept override;

private:
    explicit StockageSQLite(sqlite3* connexion);
    static std::expected<std::unique_ptr<StockageSQLite>, std::string>
    connecter(const std::filesystem::path& fichier, int attenteMillisecondes);
    std::expected<void, std::string> migrer();
    bool compter(const char* compteur, const std::string& sql, const std::string& token,
                 std::int64_t quand) noexcept;

    sqlite3* m_connexion;
    std::mutex m_verrou;
};

} // namespace serveur
