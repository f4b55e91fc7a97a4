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
    // Keyed digest of the creation body, password left out: tells a retried creation from a collision.
    std::string empreinteCorps;
    std::int64_t nbTelechargements = 0;
    std::optional<std::int64_t> dernierTelechargement;
    std::int64_t nbVues = 0;
    std::optional<std::int64_t> premiereVue;
    std::optional<std::int64_t> derniereVue;

    bool expire(std::int64_t maintenant) const { return expireLe && *expireLe <= maintenant; }
};

// The transfers in SQLite (WAL). One connection shared by all threads behind a lock: every
// statement is short, and SQLite serialises writers anyway. Writes report a failure (locked database,
// full disk) as a value, with SQLite's text; reads throw.
class Base final {
public:
    // Waits up to `attenteMillisecondes` for a lock held by another connection before failing.
    static std::expected<std::unique_ptr<Base>, std::string> ouvrir(const std::filesystem::path& fichier,
                                                                    int attenteMillisecondes = 5000);
    ~Base();
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    // False when the token is already taken.
    std::expected<bool, std::string> inserer(const Enregistrement& enregistrement);
    std::optional<Enregistrement> trouver(const std::string& token);
    // Newest first.
    std::vector<Enregistrement> lister();
    // Writes only the fields given, in one statement: two edits at once each keep the other's field.
    // False when the token is unknown.
    std::expected<bool, std::string> modifier(const std::string& token,
                                              const std::optional<std::string>& titre,
                                              const std::optional<std::optional<std::int64_t>>& expireLe);
    std::expected<bool, std::string> supprimer(const std::string& token);
    // Counters never fail their caller: a count that cannot be written is logged and lost, the answer
    // goes on. True when counted.
    bool compterVue(const std::string& token, std::int64_t quand) noexcept;
    bool compterTelechargement(const std::string& token, std::int64_t quand) noexcept;

private:
    explicit Base(sqlite3* connexion);
    static std::expected<std::unique_ptr<Base>, std::string> connecter(const std::filesystem::path& fichier,
                                                                       int attenteMillisecondes);
    std::expected<void, std::string> migrer();
    bool compter(const char* compteur, const std::string& sql, const std::string& token,
                 std::int64_t quand) noexcept;

    sqlite3* m_connexion;
    std::mutex m_verrou;
};

} // namespace serveur
