#pragma once

#include "serveur/stockage/Stockage.h"

#include <functional>
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
    // Instances sharing a database tell one another through `relais` (this one included), with a short
    // notice; false when it could not be sent. Set once, before the server answers.
    void relayer(std::function<bool(const std::string& avis)> relais);
    // What the routes call once a count is written: relayed when instances share a database, else
    // delivered here. A notice that cannot be relayed is at least delivered here.
    void publier(const Evenement& evenement);
    // A notice relayed by any instance: the transfer is read again, as it stands now, and delivered here.
    // Nothing for a transfer deleted meanwhile or a notice not understood.
    void recevoir(const std::string& avis, Stockage& base);
    // Delivers to this process's listeners; one that does not keep up is dropped.
    void diffuser(const Evenement& evenement);

private:
    struct Abonne {
        std::weak_ptr<http::FluxContinu> flux;
        std::string origine;
    };

    std::function<bool(const std::string&)> m_relais;
    std::mutex m_verrou;
    std::vector<Abonne> m_abonnes;
};

} // namespace serveur
