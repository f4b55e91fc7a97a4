#pragma once

#include "serveur/Configuration.h"
#include "serveur/Contexte.h"
#include "serveur/RoutesAPI.h"
#include "serveur/RoutesPages.h"
#include "serveur/http/Routeur.h"
#include "serveur/stockage/AvisPostgreSQL.h"

#include <expected>
#include <memory>
#include <string>

namespace serveur::http {
class ServeurHTTP;
}

namespace serveur {

// valto-serveur: the API, the client pages and the releases folder on one HTTP listener.
class ServeurTransferts final {
public:
    static std::expected<std::unique_ptr<ServeurTransferts>, std::string> creer(Configuration configuration);
    ~ServeurTransferts();

    // Binds the configured address and port (0: any free port) and returns the port.
    std::expected<int, std::string> lier();
    // Serves until arreter(); call after lier().
    void ecouter();
    void arreter();

    const std::string& cleAPI() const { return m_contexte->cleAPI; }
    // True when this start created the key file.
    bool cleCreee() const { return m_cleCreee; }
    const std::string& urlPublique() const { return m_contexte->urlPublique; }
    // Most password hashes and checks seen running at once.
    int picArgon2() const { return m_contexte->limiteArgon2.pic(); }

private:
    ServeurTransferts(std::unique_ptr<Contexte> contexte, std::unique_ptr<AvisPostgreSQL> avis,
                      bool cleCreee);
    void installer();

    std::unique_ptr<Contexte> m_contexte;
    // Instances sharing PostgreSQL: their word to one another, gone before the context it writes to.
    std::unique_ptr<AvisPostgreSQL> m_avis;
    bool m_cleCreee;
    RoutesAPI m_api;
    RoutesPages m_pages;
    http::Routeur m_routeur;
    std::unique_ptr<http::ServeurHTTP> m_http;
};

} // namespace serveur
