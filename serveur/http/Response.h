#pragma once

#include "serveur/http/Source.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace serveur::http {

class FluxContinu;

// What a route answers: a status, headers and either a body in memory, a source to stream or a stream
// without an end.
struct Response {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::shared_ptr<Source> source;
    std::shared_ptr<FluxContinu> flux;
    // Runs once the answer carried the source's last byte to the client as a whole download
    // (not a tail probe), off the connection threads.
    std::function<void()> on_delivered;

    void set_header(std::string nom, std::string valeur);
    void set_content(std::string corps, std::string type);
    void set_source(std::shared_ptr<Source> source, std::string type);
    void set_flux(std::shared_ptr<FluxContinu> flux, std::string type);
    void set_redirect(const std::string& adresse, int statut);
};

} // namespace serveur::http
