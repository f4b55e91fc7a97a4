#pragma once

#include "serveur/Contexte.h"

#include <optional>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace serveur {

// The pages a client opens from a link: file list, password form, comparison, downloads.
class RoutesPages final {
public:
    explicit RoutesPages(Contexte& contexte);

    void installer(httplib::Server& serveur);

private:
    void page(const httplib::Request& requete, httplib::Response& reponse);
    void connexion(const httplib::Request& requete, httplib::Response& reponse);
    void fichier(const httplib::Request& requete, httplib::Response& reponse);
    void archive(const httplib::Request& requete, httplib::Response& reponse);

    // The transfer named by the path when it exists, has not expired and is unlocked; otherwise the
    // refusal (404, 410 or the password form) is already in `reponse`.
    std::optional<Enregistrement> ouvert(const httplib::Request& requete, httplib::Response& reponse);
    std::optional<Enregistrement> existant(const httplib::Request& requete, httplib::Response& reponse);
    bool deverrouille(const httplib::Request& requete, const Enregistrement& transfert) const;
    std::string cookie(const Enregistrement& transfert, std::int64_t expiration) const;

    Contexte& m_contexte;
};

} // namespace serveur
