#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace serveur {

// One libpq connection and the statements already prepared on it. Errors throw, with PostgreSQL's text.
class ConnexionPostgreSQL final {
public:
    // Rows of an answer, read as text; freed on every path.
    class Resultat final {
    public:
        explicit Resultat(pg_result* resultat);
        ~Resultat();
        Resultat(Resultat&& autre) noexcept;
        Resultat(const Resultat&) = delete;
        Resultat& operator=(const Resultat&) = delete;
        Resultat& operator=(Resultat&&) = delete;

        int lignes() const;
        // Rows written by an INSERT, UPDATE or DELETE.
        std::int64_t touchees() const;
        std::string texte(int ligne, int colonne) const;
        std::int64_t entier(int ligne, int colonne) const;
        std::optional<std::string> texteOptionnel(int ligne, int colonne) const;
        std::optional<std::int64_t> entierOptionnel(int ligne, int colonne) const;

    private:
        pg_result* m_resultat;
    };
    // A parameter in text form; none is NULL.
    using Parametre = std::optional<std::string>;

    // The password, when given, overrides any source libpq would look at.
    static std::expected<std::unique_ptr<ConnexionPostgreSQL>, std::string>
    ouvrir(const std::string& adresse, const std::string& motDePasse);
    ~ConnexionPostgreSQL();
    ConnexionPostgreSQL(const ConnexionPostgreSQL&) = delete;
    ConnexionPostgreSQL& operator=(const ConnexionPostgreSQL&) = delete;

    // Prepared on first use on this connection: later calls only send the parameters.
    Resultat executer(const std::string& sql, const std::vector<Parametre>& parametres = {});
    // Fixed SQL, possibly several statements, never with values from outside.
    void executerScript(const char* sql);
    // After a failure: the server went away and the connection is of no further use.
    bool perdue() const;
    // The socket, to wait for notices on.
    int descripteur() const;
    // The payloads of the notices arrived since the last call; throws when the connection is lost.
    std::vector<std::string> avisRecus();

private:
    explicit ConnexionPostgreSQL(pg_conn* connexion);
    Resultat verifier(pg_result* resultat) const;

    pg_conn* m_connexion;
    std::unordered_map<std::string, std::string> m_preparees;
};

std::string parametre(std::int64_t nombre);
ConnexionPostgreSQL::Parametre parametre(const std::optional<std::int64_t>& nombre);

} // namespace serveur
