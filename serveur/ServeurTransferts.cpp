#include "ServeurTransferts.h"

#include "serveur/Crypto.h"
#include "serveur/Pages.h"

#include <httplib.h>

#include <sys/socket.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace serveur {

namespace {

bool versAPI(const httplib::Request& requete)
{
    return requete.path.starts_with("/api/");
}

std::string detailParDefaut(int statut)
{
    switch (statut) {
    case 400:
        return "Requête invalide.";
    case 404:
        return "Ressource introuvable.";
    case 405:
        return "Méthode non permise.";
    case 413:
        return "Corps de la requête trop volumineux.";
    case 416:
        return "Plage demandée invalide.";
    default:
        return "Erreur " + std::to_string(statut) + ".";
    }
}

// httplib listens with a backlog of 5: a burst of new browsers would see their connections
// dropped and retried a second later. Linux lets a listening socket raise its backlog.
class ServeurHTTP final : public httplib::Server {
public:
    void agrandirFileDAttente() { ::listen(svr_sock_, SOMAXCONN); }
};

} // namespace

std::expected<std::unique_ptr<ServeurTransferts>, std::string>
ServeurTransferts::creer(Configuration configuration)
{
    configuration.completer();
    if (!crypto::initialiser()) {
        return std::unexpected(std::string("libsodium n'a pas pu démarrer."));
    }
    std::error_code erreur;
    if (!fs::is_directory(configuration.racineNAS, erreur)) {
        return std::unexpected("Racine du NAS introuvable : " + configuration.racineNAS.string());
    }
    fs::create_directories(configuration.dossierDonnees, erreur);
    ::chmod(configuration.dossierDonnees.c_str(), 0700);
    const auto secret = crypto::lireOuCreerSecret(configuration.dossierDonnees / "secret");
    if (!secret) {
        return std::unexpected(secret.error());
    }
    const auto cle = crypto::lireOuCreerSecret(configuration.fichierCle);
    if (!cle) {
        return std::unexpected(cle.error());
    }
    auto base = Base::ouvrir(configuration.dossierDonnees / "transferts.sqlite3",
                             configuration.attenteBaseMillisecondes);
    if (!base) {
        return std::unexpected(base.error());
    }
    ArbreNAS arbre(configuration.racineNAS, configuration.dossierCopies,
                   {configuration.fichierCle, configuration.dossierDonnees});
    const int attente = configuration.attenteTentativeSecondes;
    auto contexte = std::unique_ptr<Contexte>(new Contexte{std::move(configuration),
                                                           std::move(*base),
                                                           std::move(arbre),
                                                           cle->valeur,
                                                           secret->valeur,
                                                           {},
                                                           {},
                                                           FreinTentatives(attente)});
    return std::unique_ptr<ServeurTransferts>(new ServeurTransferts(std::move(contexte), cle->cree));
}

ServeurTransferts::ServeurTransferts(std::unique_ptr<Contexte> contexte, bool cleCreee)
    : m_contexte(std::move(contexte))
    , m_cleCreee(cleCreee)
    , m_http(std::make_unique<ServeurHTTP>())
    , m_api(*m_contexte)
    , m_pages(*m_contexte)
{
    installer();
}

ServeurTransferts::~ServeurTransferts() = default;

void ServeurTransferts::installer()
{
    const int fils = m_contexte->configuration.fils;
    m_http->new_task_queue = [fils] { return new httplib::ThreadPool(static_cast<std::size_t>(fils)); };
    m_http->set_payload_max_length(m_contexte->configuration.tailleMaxCorps);
    // Headers and body leave in separate writes: with Nagle's algorithm the body would wait for the
    // client's delayed acknowledgement, 40 ms on every small answer.
    m_http->set_tcp_nodelay(true);
    m_http->set_keep_alive_max_count(1000);
    m_http->set_write_timeout(60);
    m_http->set_default_headers(
        {{"X-Content-Type-Options", "nosniff"},
         {"Referrer-Policy", "no-referrer"},
         {"X-Frame-Options", "SAMEORIGIN"},
         {"Content-Security-Policy",
          "default-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'self'"}});
    m_http->set_pre_routing_handler([this](const httplib::Request& requete, httplib::Response& reponse) {
        const bool refusee = versAPI(requete) && !m_api.authentifier(requete, reponse);
        return refusee ? httplib::Server::HandlerResponse::Handled
                       : httplib::Server::HandlerResponse::Unhandled;
    });
    // Every refusal gets a body: "detail" for the API, a page for a browser.
    m_http->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request& requete, httplib::Response& reponse) {
            if (!reponse.body.empty()) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            if (versAPI(requete)) {
                RoutesAPI::repondreErreur(reponse, reponse.status, detailParDefaut(reponse.status));
            } else {
                reponse.set_content(pages::erreur(reponse.status), "text/html; charset=utf-8");
            }
            return httplib::Server::HandlerResponse::Handled;
        }));
    m_http->set_exception_handler(
        [](const httplib::Request& requete, httplib::Response& reponse, std::exception_ptr) {
            reponse.status = 500;
            if (versAPI(requete)) {
                RoutesAPI::repondreErreur(reponse, 500, "Erreur interne du serveur.");
            } else {
                reponse.set_content(pages::erreur(500), "text/html; charset=utf-8");
            }
        });
    m_api.installer(*m_http);
    m_pages.installer(*m_http);
    if (!m_contexte->configuration.dossierVersions.empty()) {
        m_http->set_mount_point("/releases", m_contexte->configuration.dossierVersions.string());
    }
}

std::expected<int, std::string> ServeurTransferts::lier()
{
    const Configuration& c = m_contexte->configuration;
    int port = c.port;
    if (port == 0) {
        port = m_http->bind_to_any_port(c.adresse);
    } else if (!m_http->bind_to_port(c.adresse, port)) {
        port = -1;
    }
    if (port <= 0) {
        return std::unexpected("Impossible d'écouter sur " + c.adresse + ":" + std::to_string(c.port));
    }
    static_cast<ServeurHTTP&>(*m_http).agrandirFileDAttente();
    m_contexte->urlPublique =
        c.urlPublique.empty() ? "http://" + c.adresse + ":" + std::to_string(port) : c.urlPublique;
    while (m_contexte->urlPublique.ends_with('/')) {
        m_contexte->urlPublique.pop_back();
    }
    return port;
}

void ServeurTransferts::ecouter()
{
    m_http->listen_after_bind();
}

void ServeurTransferts::arreter()
{
    m_http->stop();
}

} // namespace serveur
