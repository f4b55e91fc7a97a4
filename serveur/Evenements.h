#pragma once

#include "serveur/Base.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace serveur::http {
class FluxContinu;
}

namespace serveur {

// Tells the studio's applications at once that a link was opened or a download completed.
class Evenements final {
public:
    enum class Sorte { ouverture, telechargement };

    // The transfer as it stands after the count.
    struct Evenement {
        Sorte sorte;
        Enregistrement transfert;
    };

    // A stream for a listener whose links are built on `origine`; nullptr when the server already has
    // its maximum of listeners.
    std::shared_ptr<http::FluxContinu> abonner(std::string origine);
    // What the routes call once a count is written. Instances sharing a database will relay it to one
    // another from here; alone, this process is the only one to tell.
    void publier(const Evenement& evenement);
    // Delivers to this process's listeners; one that does not keep up is dropped.
    void diffuser(const Evenement& evenement);

private:
    struct Abonne {
        std::weak_ptr<http::FluxContinu> flux;
        std::string origine;
    };

    std::mutex m_verrou;
    std::vector<Abonne> m_abonnes;
};

} // namespace serveur
