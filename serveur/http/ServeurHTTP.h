#pragma once

#include "serveur/Configuration.h"
#include "serveur/http/Routeur.h"

#include <expected>
#include <memory>
#include <string>

namespace serveur::http {

// The listener: event-driven connections on a few threads, the routes' blocking work on pools.
class ServeurHTTP final {
public:
    ServeurHTTP(const Routeur& routeur, const Configuration& configuration);
    ~ServeurHTTP();

    // Binds (port 0: any free port) and returns the port.
    std::expected<int, std::string> lier(const std::string& adresse, int port);
    // The origin of links: --url, or the listening address; a trusted proxy's headers override the
    // latter.
    void definirUrlParDefaut(std::string url);
    // Serves until arreter().
    void ecouter();
    void arreter();

private:
    struct Etat;
    std::unique_ptr<Etat> m_etat;
};

} // namespace serveur::http
