#include "ServeurTransferts.h"

#include "serveur/Crypto.h"
#include "serveur/Pages.h"
#include "serveur/stockage/OuvertureStockage.h"

#include "serveur/http/ServeurHTTP.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace serveur {

namespace {

bool versAPI(const http::Request& requete)
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
    case 431:
        return "En-têtes de la requête trop volumineux.";
    case 416:
        return "Plage demandée invalide.";
    default:
        return "Erreur " + std::to_string(statut) + ".";
    }
}

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
    // Instances sharing PostgreSQL share its secret; a lone server keeps its own in the data folder.
    const bool partage = !configuration.base.empty();
    auto secret = partage ? std::expected<crypto::Secret, std::string>(crypto::Secret{})
                          : crypto::lireOuCreerSecret(configuration.dossierDonnees / "secret");
    if (!secret) {
        return std::unexpected(secret.error());
    }
    const auto cle = crypto::lireOuCreerSecret(configuration.fichierCle);
    if (!cle) {
        return std::unexpected(cle.error());
    }
    auto base = ouvrirStockage(configuration);
    if (!base) {
        return std::unexpected(base.error());
    }
    EtatPartage* etat = (*base)->etatPartage();
    if (etat) {
        const auto commun = etat->secretPartage(crypto::aleatoireHex(32));
        if (!commun) {
            return std::unexpected(commun.error());
        }
        secret->valeur = *commun;
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
                                                           FiltreVues(etat),
                                                           FreinTentatives(attente, etat)});
    auto avis = ouvrirAvis(contexte->configuration, [c = contexte.get()](const std::string& texte) {
        c->evenements.recevoir(texte, *c->base);
    });
    if (!avis) {
        return std::unexpected(avis.error());
    }
    if (AvisPostgreSQL* relais = avis->get()) {
        contexte->evenements.relayer([relais](const std::string& texte) { return relais->publier(texte); });
    }
    return std::unique_ptr<ServeurTransferts>(
        new ServeurTransferts(std::move(contexte), std::move(*avis), cle->cree));
}

ServeurTransferts::ServeurTransferts(std::unique_ptr<Contexte> contexte, std::unique_ptr<AvisPostgreSQL> avis,
                                     bool cleCreee)
    : m_contexte(std::move(contexte))
    , m_avis(std::move(avis))
    , m_cleCreee(cleCreee)
    , m_api(*m_contexte)
    , m_pages(*m_contexte)
{
    installer();
}

ServeurTransferts::~ServeurTransferts() = default;

void ServeurTransferts::installer()
{
    m_routeur.ajouterEnteteCommun("X-Content-Type-Options", "nosniff");
    m_routeur.ajouterEnteteCommun("Referrer-Policy", "no-referrer");
    m_routeur.ajouterEnteteCommun("X-Frame-Options", "SAMEORIGIN");
    m_routeur.ajouterEnteteCommun("Content-Security-Policy",
                                  "default-src 'self'; script-src 'self' 'sha256-" +
                                      crypto::sha256Base64(pages::scriptVue) +
                                      "'; base-uri 'none'; form-action 'self'; frame-ancestors 'self'");
    m_routeur.avantRoutage([this](const http::Request& requete, http::Response& reponse) {
        return versAPI(requete) && !m_api.authentifier(requete, reponse);
    });
    // Every refusal gets a body: "detail" for the API, a page for a browser.
    m_routeur.pageErreur([](const http::Request& requete, http::Response& reponse) {
        if (versAPI(requete)) {
            RoutesAPI::repondreErreur(reponse, reponse.status, detailParDefaut(reponse.status));
        } else {
            reponse.set_content(pages::erreur(reponse.status), "text/html; charset=utf-8");
        }
    });
    m_api.installer(m_routeur);
    m_pages.installer(m_routeur);
    if (!m_contexte->configuration.dossierVersions.empty()) {
        m_routeur.monter("/releases", m_contexte->configuration.dossierVersions.string());
    }
    m_http = std::make_unique<http::ServeurHTTP>(m_routeur, m_contexte->configuration);
}

std::expected<int, std::string> ServeurTransferts::lier()
{
    const Configuration& c = m_contexte->configuration;
    const auto port = m_http->lier(c.adresse, c.port);
    if (!port) {
        return port;
    }
    m_contexte->urlPublique =
        c.urlPublique.empty() ? "http://" + c.adresse + ":" + std::to_string(*port) : c.urlPublique;
    while (m_contexte->urlPublique.ends_with('/')) {
        m_contexte->urlPublique.pop_back();
    }
    m_http->definirUrlParDefaut(m_contexte->urlPublique);
    return port;
}

void ServeurTransferts::ecouter()
{
    m_http->ecouter();
}

void ServeurTransferts::arreter()
{
    m_http->arreter();
}

} // namespace serveur
