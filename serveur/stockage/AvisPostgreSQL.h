#pragma once

#include <atomic>
#include <expected>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace serveur {

class ConnexionPostgreSQL;

// Word between instances sharing PostgreSQL that a transfer changed (LISTEN/NOTIFY), for whatever must
// react on every instance, not only on the one that served the request. A connection of its own listens
// on a thread of its own; a notice is a hint, lost while the connection is being re-established.
class AvisPostgreSQL final {
public:
    using Reception = std::function<void(const std::string& token)>;

    // `reception` runs on the listening thread, for the notices of every instance, this one included.
    static std::expected<std::unique_ptr<AvisPostgreSQL>, std::string>
    ecouter(const std::string& adresse, const std::string& motDePasse, Reception reception);
    ~AvisPostgreSQL();
    AvisPostgreSQL(const AvisPostgreSQL&) = delete;
    AvisPostgreSQL& operator=(const AvisPostgreSQL&) = delete;

    // False when PostgreSQL could not be told.
    bool publier(const std::string& token);

private:
    AvisPostgreSQL(std::string adresse, std::string motDePasse, Reception reception,
                   std::unique_ptr<ConnexionPostgreSQL> ecoute, int arret);
    void boucle();
    // Waits for the listening connection or the stop; false once stopped.
    bool attendre(int millisecondes);
    std::unique_ptr<ConnexionPostgreSQL> reconnecter();

    std::string m_adresse;
    std::string m_motDePasse;
    Reception m_reception;
    std::unique_ptr<ConnexionPostgreSQL> m_ecoute;
    std::mutex m_verrouEnvoi;
    std::unique_ptr<ConnexionPostgreSQL> m_envoi;
    int m_arret;
    std::thread m_fil;
};

} // namespace serveur
