#include "AvisPostgreSQL.h"

#include "serveur/Journal.h"
#include "serveur/stockage/ConnexionPostgreSQL.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>

namespace serveur {

namespace {

constexpr const char* canal = "valto_transferts";

std::expected<std::unique_ptr<ConnexionPostgreSQL>, std::string>
connecterEcoute(const std::string& adresse, const std::string& motDePasse)
{
    auto connexion = ConnexionPostgreSQL::ouvrir(adresse, motDePasse);
    if (connexion) {
        try {
            (*connexion)->executerScript((std::string("LISTEN ") + canal).c_str());
        } catch (const std::exception& e) {
            return std::unexpected(std::string(e.what()));
        }
    }
    return connexion;
}

} // namespace

std::expected<std::unique_ptr<AvisPostgreSQL>, std::string>
AvisPostgreSQL::ecouter(const std::string& adresse, const std::string& motDePasse, Reception reception)
{
    auto ecoute = connecterEcoute(adresse, motDePasse);
    if (!ecoute) {
        return std::unexpected(ecoute.error());
    }
    const int arret = ::eventfd(0, EFD_CLOEXEC);
    if (arret < 0) {
        return std::unexpected(std::string("eventfd impossible"));
    }
    return std::unique_ptr<AvisPostgreSQL>(
        new AvisPostgreSQL(adresse, motDePasse, std::move(reception), std::move(*ecoute), arret));
}

AvisPostgreSQL::AvisPostgreSQL(std::string adresse, std::string motDePasse, Reception reception,
                               std::unique_ptr<ConnexionPostgreSQL> ecoute, int arret)
    : m_adresse(std::move(adresse))
    , m_motDePasse(std::move(motDePasse))
    , m_reception(std::move(reception))
    , m_ecoute(std::move(ecoute))
    , m_arret(arret)
    , m_fil([this] { boucle(); })
{
}

AvisPostgreSQL::~AvisPostgreSQL()
{
    const std::uint64_t un = 1;
    if (::write(m_arret, &un, sizeof un) == sizeof un) {
        m_fil.join();
    } else {
        m_fil.detach();
    }
    ::close(m_arret);
}

bool AvisPostgreSQL::publier(const std::string& token)
{
    const std::lock_guard verrou(m_verrouEnvoi);
    try {
        if (!m_envoi || m_envoi->perdue()) {
            auto connexion = ConnexionPostgreSQL::ouvrir(m_adresse, m_motDePasse);
            if (!connexion) {
                journal::erreur("avis aux instances", connexion.error());
                return false;
            }
            m_envoi = std::move(*connexion);
        }
        m_envoi->executer("SELECT pg_notify($1, $2)", {std::string(canal), token});
        return true;
    } catch (const std::exception& e) {
        journal::erreur("avis aux instances", e.what());
        return false;
    }
}

bool AvisPostgreSQL::attendre(int millisecondes)
{
    std::array<pollfd, 2> attentes{
        {{m_arret, POLLIN, 0}, {m_ecoute ? m_ecoute->descripteur() : -1, POLLIN, 0}}};
    ::poll(attentes.data(), attentes.size(), millisecondes);
    return (attentes[0].revents & POLLIN) == 0;
}

void AvisPostgreSQL::boucle()
{
    while (attendre(m_ecoute ? -1 : 1000)) {
        if (!m_ecoute) {
            m_ecoute = reconnecter();
            continue;
        }
        try {
            for (const std::string& token : m_ecoute->avisRecus()) {
                m_reception(token);
            }
        } catch (const std::exception& e) {
            journal::erreur("écoute des autres instances", e.what());
            m_ecoute.reset();
        }
    }
}

std::unique_ptr<ConnexionPostgreSQL> AvisPostgreSQL::reconnecter()
{
    auto connexion = connecterEcoute(m_adresse, m_motDePasse);
    return connexion ? std::move(*connexion) : nullptr;
}

} // namespace serveur
