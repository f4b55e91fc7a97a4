#pragma once

#include "serveur/CacheCRC.h"
#include "serveur/Contexte.h"

#include <optional>

namespace serveur::http {
class Routeur;
struct Request;
struct Response;
} // namespace serveur::http

namespace serveur {

// The pages a client opens from a link: file list, password form, comparison, downloads.
class RoutesPages final {
public:
    explicit RoutesPages(Contexte& contexte);

    void installer(http::Routeur& serveur);

private:
    void page(const http::Request& requete, http::Response& reponse);
    // The page's own script calls it once the page is on screen: the view is counted then.
    void vue(const http::Request& requete, http::Response& reponse);
    void connexion(const http::Request& requete, http::Response& reponse);
    void fichier(const http::Request& requete, http::Response& reponse);
    void archive(const http::Request& requete, http::Response& reponse);

    // The transfer named by the path when it exists, has not expired and is unlocked; otherwise the
    // refusal (404, 410 or the password form) is already in `reponse`.
    std::optional<Enregistrement> ouvert(const http::Request& requete, http::Response& reponse);
    std::optional<Enregistrement> existant(const http::Request& requete, http::Response& reponse);
    bool deverrouille(const http::Request& requete, const Enregistrement& transfert) const;
    std::string cookie(const Enregistrement& transfert, std::int64_t expiration) const;
    // Tells the listeners of a count just written, with the transfer as it now stands.
    void signaler(Evenements::Sorte sorte, const std::string& token);

    Contexte& m_contexte;
    CacheCRC m_crcs;
};

} // namespace serveur
