#include "ServeurHTTP.h"

#include "serveur/Journal.h"
#include "serveur/http/CompteurConnexions.h"
#include "serveur/http/Connexion.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <thread>
#include <vector>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace serveur::http {

namespace {

// Two threads carry thousands of connections; the pools take whatever blocks.
constexpr int filsReseau = 2;
constexpr int filsAPI = 2;
constexpr int filsLecture = 4;

} // namespace

// Declared so that the pools stop (and their queued work is dropped) before the connections'
// context is destroyed with the coroutines that work refers to.
struct ServeurHTTP::Etat {
    Etat(const Routeur& routeur, const Configuration& configuration)
        : compteur(configuration.limites.connexionsParClient, configuration.proxyDeConfiance)
        , pages(static_cast<std::size_t>(configuration.fils))
        , services{routeur, configuration, {}, api, pages, lecture}
    {
    }

    // Outlives the connections, which give their place back when they end.
    CompteurConnexions compteur;
    asio::io_context contexte{filsReseau};
    tcp::acceptor accepteur{contexte};
    asio::thread_pool api{filsAPI};
    asio::thread_pool pages;
    asio::thread_pool lecture{filsLecture};
    Services services;

    // Accepting never stops on a failure: the next client is served whatever happened to this one.
    asio::awaitable<void> accepter();
    void admettre(tcp::socket socket);
    void tourner();
};

asio::awaitable<void> ServeurHTTP::Etat::accepter()
{
    for (;;) {
        tcp::socket socket(asio::make_strand(contexte));
        boost::system::error_code erreur;
        co_await accepteur.async_accept(socket, asio::redirect_error(asio::use_awaitable, erreur));
        if (erreur == asio::error::operation_aborted) {
            co_return;
        }
        if (erreur) {
            // Out of descriptors, most likely: wait for some to be given back instead of spinning.
            journal::erreur("accept", erreur.message());
            asio::steady_timer pause(contexte, std::chrono::milliseconds(100));
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, erreur));
            continue;
        }
        try {
            admettre(std::move(socket));
        } catch (const std::exception& e) {
            journal::erreur("accept", e.what());
        }
    }
}

void ServeurHTTP::Etat::admettre(tcp::socket socket)
{
    boost::system::error_code erreur;
    auto place = compteur.reserver(socket.remote_endpoint(erreur).address().to_string());
    if (!place || erreur) {
        socket.close(erreur);
        return;
    }
    socket.set_option(tcp::no_delay(true), erreur);
    const auto executeur = socket.get_executor();
    asio::co_spawn(executeur, Connexion::servir(std::move(socket), services, std::move(place)), asio::detached);
}

void ServeurHTTP::Etat::tourner()
{
    for (;;) {
        try {
            contexte.run();
            return;
        } catch (const std::exception& e) {
            journal::erreur("boucle réseau", e.what());
        }
    }
}

ServeurHTTP::ServeurHTTP(const Routeur& routeur, const Configuration& configuration)
    : m_etat(std::make_unique<Etat>(routeur, configuration))
{
}

ServeurHTTP::~ServeurHTTP()
{
    m_etat->api.stop();
    m_etat->pages.stop();
    m_etat->lecture.stop();
    m_etat->api.join();
    m_etat->pages.join();
    m_etat->lecture.join();
}

std::expected<int, std::string> ServeurHTTP::lier(const std::string& adresse, int port)
{
    boost::system::error_code erreur;
    const auto ip = asio::ip::make_address(adresse, erreur);
    tcp::acceptor& a = m_etat->accepteur;
    if (!erreur) {
        const tcp::endpoint point(ip, static_cast<unsigned short>(port));
        a.open(point.protocol(), erreur);
        a.set_option(tcp::acceptor::reuse_address(true), erreur);
        if (!erreur) {
            a.bind(point, erreur);
        }
        if (!erreur) {
            a.listen(asio::socket_base::max_listen_connections, erreur);
        }
    }
    if (erreur) {
        return std::unexpected("Impossible d'écouter sur " + adresse + ":" + std::to_string(port));
    }
    return a.local_endpoint().port();
}

void ServeurHTTP::definirUrlParDefaut(std::string url)
{
    m_etat->services.urlParDefaut = std::move(url);
}

void ServeurHTTP::ecouter()
{
    asio::co_spawn(m_etat->contexte, m_etat->accepter(), asio::detached);
    std::vector<std::thread> fils;
    for (int i = 1; i < filsReseau; ++i) {
        fils.emplace_back([this] { m_etat->tourner(); });
    }
    m_etat->tourner();
    for (std::thread& f : fils) {
        f.join();
    }
}

void ServeurHTTP::arreter()
{
    m_etat->contexte.stop();
}

} // namespace serveur::http
