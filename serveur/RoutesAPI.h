#pragma once

#include "serveur/Contexte.h"

#include <nlohmann/json_fwd.hpp>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace serveur {

// The JSON API under "/api/", every request authenticated by its key.
class RoutesAPI final {
public:
    explicit RoutesAPI(Contexte& contexte);

    void installer(httplib::Server& serveur);
    // Answers 401 and returns false when the request carries no valid key.
    bool authentifier(const httplib::Request& requete, httplib::Response& reponse) const;
    static void repondreErreur(httplib::Response& reponse, int statut, const std::string& detail);

private:
    void creer(const httplib::Request& requete, httplib::Response& reponse);
    void lister(httplib::Response& reponse);
    void modifier(const httplib::Request& requete, httplib::Response& reponse);
    void supprimer(const httplib::Request& requete, httplib::Response& reponse);
    void partages(httplib::Response& reponse);

    nlohmann::json versJSON(const Enregistrement& transfert) const;

    Contexte& m_contexte;
};

} // namespace serveur
