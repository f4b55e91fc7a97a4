#include "ConnexionPostgreSQL.h"

#include <libpq-fe.h>

#include <stdexcept>
#include <vector>

namespace serveur {

ConnexionPostgreSQL::Resultat::Resultat(pg_result* resultat)
    : m_resultat(resultat)
{
}

ConnexionPostgreSQL::Resultat::~Resultat()
{
    PQclear(m_resultat);
}

ConnexionPostgreSQL::Resultat::Resultat(Resultat&& autre) noexcept
    : m_resultat(autre.m_resultat)
{
    autre.m_resultat = nullptr;
}

int ConnexionPostgreSQL::Resultat::lignes() const
{
    return PQntuples(m_resultat);
}

std::int64_t ConnexionPostgreSQL::Resultat::touchees() const
{
    const char* nombre = PQcmdTuples(m_resultat);
    return *nombre ? std::stoll(nombre) : 0;
}

std::string ConnexionPostgreSQL::Resultat::texte(int ligne, int colonne) const
{
    return {PQgetvalue(m_resultat, ligne, colonne),
            static_cast<std::size_t>(PQgetlength(m_resultat, ligne, colonne))};
}

std::int64_t ConnexionPostgreSQL::Resultat::entier(int ligne, int colonne) const
{
    return std::stoll(PQgetvalue(m_resultat, ligne, colonne));
}

std::optional<std::string> ConnexionPostgreSQL::Resultat::texteOptionnel(int ligne, int colonne) const
{
    return PQgetisnull(m_resultat, ligne, colonne) ? std::nullopt : std::optional(texte(ligne, colonne));
}

std::optional<std::int64_t> ConnexionPostgreSQL::Resultat::entierOptionnel(int ligne, int colonne) const
{
    return PQgetisnull(m_resultat, ligne, colonne) ? std::nullopt : std::optional(entier(ligne, colonne));
}

std::expected<std::unique_ptr<ConnexionPostgreSQL>, std::string>
ConnexionPostgreSQL::ouvrir(const std::string& adresse, const std::string& motDePasse)
{
    // Keywords after "dbname" override what its connection string says.
    const char* cles[] = {"dbname", "password", "connect_timeout", "application_name", nullptr};
    const char* valeurs[] = {adresse.c_str(), motDePasse.empty() ? nullptr : motDePasse.c_str(), "10",
                             "valto-serveur", nullptr};
    PGconn* connexion = PQconnectdbParams(cles, valeurs, 1);
    if (PQstatus(connexion) != CONNECTION_OK) {
        std::string message = connexion ? PQerrorMessage(connexion) : "mémoire insuffisante";
        PQfinish(connexion);
        while (!message.empty() && message.back() == '\n') {
            message.pop_back();
        }
        return std::unexpected("PostgreSQL inaccessible : " + message);
    }
    // Notices ("already exists, skipping") are not failures: standard error keeps one line per failure.
    PQsetNoticeProcessor(
        connexion, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<ConnexionPostgreSQL>(new ConnexionPostgreSQL(connexion));
}

ConnexionPostgreSQL::ConnexionPostgreSQL(pg_conn* connexion)
    : m_connexion(connexion)
{
}

ConnexionPostgreSQL::~ConnexionPostgreSQL()
{
    PQfinish(m_connexion);
}

ConnexionPostgreSQL::Resultat ConnexionPostgreSQL::verifier(pg_result* resultat) const
{
    Resultat garde(resultat);
    const ExecStatusType etat = PQresultStatus(resultat);
    if (etat != PGRES_COMMAND_OK && etat != PGRES_TUPLES_OK) {
        std::string message = PQerrorMessage(m_connexion);
        while (!message.empty() && message.back() == '\n') {
            message.pop_back();
        }
        throw std::runtime_error(message);
    }
    return garde;
}

ConnexionPostgreSQL::Resultat ConnexionPostgreSQL::executer(const std::string& sql,
                                                            const std::vector<Parametre>& parametres)
{
    auto preparee = m_preparees.find(sql);
    if (preparee == m_preparees.end()) {
        const std::string nom = "r" + std::to_string(m_preparees.size());
        verifier(
            PQprepare(m_connexion, nom.c_str(), sql.c_str(), static_cast<int>(parametres.size()), nullptr));
        preparee = m_preparees.emplace(sql, nom).first;
    }
    std::vector<const char*> valeurs;
    std::vector<int> longueurs;
    for (const Parametre& p : parametres) {
        valeurs.push_back(p ? p->c_str() : nullptr);
        longueurs.push_back(p ? static_cast<int>(p->size()) : 0);
    }
    return verifier(PQexecPrepared(m_connexion, preparee->second.c_str(), static_cast<int>(valeurs.size()),
                                   valeurs.data(), longueurs.data(), nullptr, 0));
}

void ConnexionPostgreSQL::executerScript(const char* sql)
{
    verifier(PQexec(m_connexion, sql));
}

bool ConnexionPostgreSQL::perdue() const
{
    return PQstatus(m_connexion) != CONNECTION_OK;
}

int ConnexionPostgreSQL::descripteur() const
{
    return PQsocket(m_connexion);
}

std::vector<std::string> ConnexionPostgreSQL::avisRecus()
{
    if (PQconsumeInput(m_connexion) == 0) {
        throw std::runtime_error(PQerrorMessage(m_connexion));
    }
    std::vector<std::string> avis;
    while (PGnotify* recu = PQnotifies(m_connexion)) {
        avis.emplace_back(recu->extra);
        PQfreemem(recu);
    }
    return avis;
}

std::string parametre(std::int64_t nombre)
{
    return std::to_string(nombre);
}

ConnexionPostgreSQL::Parametre parametre(const std::optional<std::int64_t>& nombre)
{
    return nombre ? std::optional(parametre(*nombre)) : std::nullopt;
}

} // namespace serveur
