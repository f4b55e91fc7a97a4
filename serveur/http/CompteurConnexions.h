#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace serveur::http {

// Open connections per client address, so one address cannot hold every socket the server has.
class CompteurConnexions final {
public:
    CompteurConnexions(int maximum, std::string exempte);

    // A ticket that gives its place back when released; nullptr when `adresse` already holds the
    // maximum. The trusted proxy carries every visitor and is never capped.
    std::shared_ptr<void> reserver(const std::string& adresse);

private:
    void liberer(const std::string& adresse);

    int m_maximum;
    std::string m_exempte;
    std::mutex m_verrou;
    std::map<std::string, int> m_ouvertes;
};

} // namespace serveur::http
