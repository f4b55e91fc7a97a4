#pragma once

#include "serveur/Configuration.h"
#include "serveur/http/Request.h"
#include "serveur/http/Response.h"
#include "serveur/http/Routeur.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <chrono>
#include <memory>
#include <optional>

namespace serveur::http {

// What every connection shares. The API has its own pool so downloads and password checks on the
// pages never hold the studio application back; file reads have theirs too.
struct Services {
    const Routeur& routeur;
    const Configuration& configuration;
    std::string urlParDefaut;
    boost::asio::thread_pool& api;
    boost::asio::thread_pool& pages;
    boost::asio::thread_pool& lecture;
};

// One client connection: its requests read within the limits and answered in order.
class Connexion final {
public:
    // `place` is the connection's ticket in the per-address count, released with the connection.
    static boost::asio::awaitable<void> servir(boost::asio::ip::tcp::socket socket, const Services& services,
                                               std::shared_ptr<void> place);

private:
    struct Lecture {
        std::optional<Request> requete;
        // A refusal to send before closing (400, 413, 431); 0 when the connection just ends.
        int refus = 0;
        // A body that stalled (408) or whose client left (400): nothing is answered, the request is logged.
        int abandon = 0;
        bool garderOuverte = false;
    };

    Connexion(boost::asio::ip::tcp::socket socket, const Services& services);

    boost::asio::awaitable<void> boucle();
    boost::asio::awaitable<bool> attendreRequete();
    boost::asio::awaitable<Lecture> lire();
    // The server's limit, or the lower one of the route the request is for.
    std::size_t tailleMaxCorps(std::string_view methode, std::string_view cible) const;
    template <class Entetes>
    Request preparer(std::string methode, std::string_view cible, const Entetes& entetes, std::string corps);
    void identifierClient(Request& requete) const;
    boost::asio::awaitable<std::int64_t> repondre(const Request& requete, Response& reponse, bool garderOuverte);
    boost::asio::awaitable<std::int64_t> envoyerSource(const Request& requete, Response& reponse,
                                                       bool garderOuverte);
    // Holds the connection until the client leaves, stops reading or the stream ends.
    boost::asio::awaitable<std::int64_t> envoyerFlux(const Request& requete, Response& reponse);
    // `resteAEcouter`: the client may still be sending a request that was refused.
    boost::asio::awaitable<void> fermer(bool resteAEcouter);
    void journaliser(const Request& requete, int statut, std::int64_t octets,
                     std::chrono::steady_clock::time_point debut) const;

    boost::beast::tcp_stream m_flux;
    boost::beast::flat_buffer m_tampon;
    const Services& m_services;
    const LimitesHTTP& m_limites;
    std::string m_pair;
    // The current request's path as sent, for the access line.
    std::string m_cible;
    unsigned m_version = 11;
    // A write failed or a body fell short: the connection cannot carry another answer.
    bool m_casse = false;
};

} // namespace serveur::http
