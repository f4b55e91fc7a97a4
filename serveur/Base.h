#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace serveur {

// One transfer as the server keeps it.
struct Enregistrement {
    std::string token;
    std::string titre;
    std::string expediteur;
    std::string type;
    std::optional<std::string> empreinteMotDePasse;
    std::vector<std::string> fichiers;
    std::vector<std::string> ordre;
    std::int64_t creeLe = 0;
    std::optional<std::int64_t> expireLe;
    std::int64_t nbFichiers = 0;
    std::int64_t octets = 0;
    // Keyed digest of the creation body: tells a retried creation from a collision.
    std::string empreinteCorps;
    std::int64_t nbTelechargements = 0;
    std::optional<std::int64_t> dernierTelechargement;
    std::int64_t nbVues = 0;
    std::optional<std::int64_t> premiereVue;
    std::optional<std::int64_t> derniereVue;

    bool expire(std::int64_t maintenant) const { return expireLe && *expireLe <= maintenant; }
};

// The transfers in SQLite (WAL). One connection shared by all threads behind a lock: every
// statement is short, and SQLite serialises writers anyway.
class Base final {
public:
    static std::expected<std::unique_ptr<Base>, std::string> ouvrir(const std::filesystem::path& fichier);
    ~Base();
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    // False when the token is already taken.
    bool inserer(const Enregistrement& enregistrement);
    std::optional<Enregistrement> trouver(const std::string& token);
    // Newest first.
    std::vector<Enregistrement> lister();
    bool modifier(const std::string& token, const std::string& titre, std::optional<std::int64_t> expireLe);
    bool supprimer(const std::string& token);
    void compterVue(const std::string& token, std::int64_t quand);
    void compterTelechargement(const std::string& token, std::int64_t quand);

private:
    explicit Base(sqlite3* connexion);

    sqlite3* m_connexion;
    std::mutex m_verrou;
};

} // namespace serveur
