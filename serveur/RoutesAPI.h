#pragma once

#include "serveur/Contexte.h"

#include <nlohmann/json_fwd.hpp>

namespace serveur::http {
class Routeur;
struct Request;
struct Response;
} // namespace serveur::http

namespace serveur {

// The JSON API under "/api/", every request authenticated by its key.
class RoutesAPI final {
public:
    explicit RoutesAPI(Contexte& contexte);

    void installer(http::Routeur& serveur);
    // Answers 401 and returns false when the request carries no valid key.
    bool authentifier(const http::Request& requete, http::Response& reponse) const;
    static void repondreErreur(http::Response& reponse, int statut, const std::string& detail);
    // A transfer as the list gives it; `origine`: scheme and host of the links, as the client reached
    // the server.
    static nlohmann::json versJSON(const Enregistrement& transfert, const std::string& origine);

private:
    void creer(const http::Request& requete, http::Response& reponse);
    void lister(const http::Request& requete, http::Response& reponse);
    void modifier(const http::Request& requete, http::Response& reponse);
    void supprimer(const http::Request& requete, http::Response& reponse);
    void partages(http::Response& reponse);
    void ecouter(const http::Request& requete, http::Response& reponse);

    Contexte& m_contexte;
};

} // namespace serveur
