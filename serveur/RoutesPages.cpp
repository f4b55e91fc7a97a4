#include "RoutesPages.h"

#include "serveur/ArchiveZip.h"
#include "serveur/Cookies.h"
#include "serveur/Crypto.h"
#include "serveur/Journal.h"
#include "serveur/Pages.h"

#include "serveur/http/Routeur.h"

#include "serveur/http/SourceFichier.h"

#include <fcntl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace serveur {

namespace {

constexpr std::int64_t dureeCookieSecondes = 12 * 3600;
const std::string motifTransfert = "/t/([a-z0-9]{10})";

void repondreHTML(http::Response& reponse, int statut, const std::string& page)
{
    reponse.status = statut;
    reponse.set_header("Cache-Control", "no-store");
    reponse.set_content(page, "text/html; charset=utf-8");
}

std::string typeDeContenu(const std::filesystem::path& chemin)
{
    static const std::map<std::string, std::string> types = {{".jpg", "image/jpeg"},
                                                             {".jpeg", "image/jpeg"},
                                                             {".png", "image/png"},
                                                             {".gif", "image/gif"},
                                                             {".webp", "image/webp"},
                                                             {".avif", "image/avif"},
                                                             {".pdf", "application/pdf"},
                                                             {".mp4", "video/mp4"},
                                                             {".mov", "video/quicktime"},
                                                             {".zip", "application/zip"},
                                                             {".txt", "text/plain; charset=utf-8"}};
    std::string extension = chemin.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto type = types.find(extension);
    return type == types.end() ? "application/octet-stream" : type->second;
}

// The name both as a plain ASCII fallback and in full UTF-8, as browsers expect.
std::string disposition(const char* mode, const std::string& nom)
{
    std::string ascii;
    for (const char c : nom) {
        const auto octet = static_cast<unsigned char>(c);
        ascii += (octet >= 0x20 && octet < 0x7f && c != '"' && c != '\\') ? c : '_';
    }
    return std::string(mode) + "; filename=\"" + ascii + "\"; filename*=UTF-8''" + pages::encoderURL(nom);
}

} // namespace

RoutesPages::RoutesPages(Contexte& contexte)
    : m_contexte(contexte)
{
}

void RoutesPages::installer(http::Routeur& serveur)
{
    serveur.Get("/static/valto.css", [](const auto&, auto& rp) {
        rp.set_content(std::string(pages::feuilleDeStyle), "text/css; charset=utf-8");
    });
    serveur.Get("/static/comparaison.js", [](const auto&, auto& rp) {
        rp.set_content(std::string(pages::scriptComparaison), "text/javascript; charset=utf-8");
    });
    serveur.Get(motifTransfert, [this](const auto& rq, auto& rp) { page(rq, rp); });
    serveur.Post(motifTransfert, [this](const auto& rq, auto& rp) { connexion(rq, rp); });
    // The page's script sends no body.
    serveur.Post(
        motifTransfert + "/vue", [this](const auto& rq, auto& rp) { vue(rq, rp); }, 0);
    serveur.Get(motifTransfert + "/f/(.+)", [this](const auto& rq, auto& rp) { fichier(rq, rp); });
    serveur.Get(motifTransfert + "/zip", [this](const auto& rq, auto& rp) { archive(rq, rp); });
}

std::optional<Enregistrement> RoutesPages::existant(const http::Request& requete,
                                                    http::Response& reponse)
{
    auto transfert = m_contexte.base->trouver(requete.matches[1]);
    if (!transfert) {
        repondreHTML(reponse, 404, pages::erreur(404));
        return std::nullopt;
    }
    if (transfert->expire(m_contexte.maintenant())) {
        repondreHTML(reponse, 410, pages::erreur(410));
        return std::nullopt;
    }
    return transfert;
}

std::optional<Enregistrement> RoutesPages::ouvert(const http::Request& requete, http::Response& reponse)
{
    auto transfert = existant(requete, reponse);
    if (transfert && !deverrouille(requete, *transfert)) {
        repondreHTML(reponse, 401, pages::motDePasse(*transfert, {}));
        return std::nullopt;
    }
    return transfert;
}

// The password hash (its salt) is signed too: a token deleted and created again has a new one, and the
// cookies of the old transfer do not open the new.
std::string RoutesPages::cookie(const Enregistrement& t, std::int64_t expiration) const
{
    const std::string message =
        t.token + "." + std::to_string(expiration) + "." + t.empreinteMotDePasse.value_or("");
    return std::to_string(expiration) + "." + crypto::signer(message, m_contexte.secret);
}

bool RoutesPages::deverrouille(const http::Request& requete, const Enregistrement& t) const
{
    if (!t.empreinteMotDePasse) {
        return true;
    }
    const std::string valeur = valeurCookie(requete.get_header_value("Cookie"), "valto_" + t.token);
    const std::optional<std::int64_t> expiration = expirationCookie(valeur);
    return expiration && *expiration > m_contexte.maintenant() &&
           crypto::egalesEnTempsConstant(valeur, cookie(t, *expiration));
}

void RoutesPages::page(const http::Request& requete, http::Response& reponse)
{
    const auto t = ouvert(requete, reponse);
    if (!t) {
        return;
    }
    const std::vector<Element> elements = m_contexte.arbre.contenu(t->fichiers, t->token);
    const auto designe = [&](std::size_t i) {
        return t->ordre.size() == 2 ? m_contexte.arbre.designe(t->ordre[i], t->fichiers, t->token, elements)
                                    : nullptr;
    };
    const Element* avant = designe(0);
    const Element* apres = designe(1);
    if (t->type == "compare" && avant != nullptr && apres != nullptr) {
        repondreHTML(reponse, 200, pages::comparaison(*t, *avant, *apres));
    } else {
        repondreHTML(reponse, 200, pages::fichiers(*t, elements));
    }
}

void RoutesPages::vue(const http::Request& requete, http::Response& reponse)
{
    const auto t = ouvert(requete, reponse);
    if (!t) {
        return;
    }
    reponse.status = 204;
    reponse.set_header("Cache-Control", "no-store");
    const std::string agent = requete.get_header_value("User-Agent");
    if (FiltreVues::estNavigateur(agent) &&
        m_contexte.vues.aCompter(t->token, requete.remote_addr, agent, m_contexte.maintenant()) &&
        m_contexte.base->compterVue(t->token, m_contexte.maintenant())) {
        signaler(Evenements::Sorte::ouverture, t->token);
    }
}

void RoutesPages::signaler(Evenements::Sorte sorte, const std::string& token)
{
    // The count is written: a listener that misses it still sees it at its next refresh.
    try {
        if (auto transfert = m_contexte.base->trouver(token)) {
            m_contexte.evenements.publier({sorte, std::move(*transfert)});
        }
    } catch (const std::exception& e) {
        journal::erreur("événement " + token, e.what());
    }
}

void RoutesPages::connexion(const http::Request& requete, http::Response& reponse)
{
    const auto t = existant(requete, reponse);
    if (!t) {
        return;
    }
    if (!t->empreinteMotDePasse) {
        return reponse.set_redirect("/t/" + t->token, 303);
    }
    const std::string visiteur = requete.remote_addr + "\n" + t->token;
    if (const std::int64_t attente = m_contexte.tentatives.reserver(visiteur, m_contexte.maintenant());
        attente > 0) {
        reponse.set_header("Retry-After", std::to_string(attente));
        return repondreHTML(reponse, 429,
                            pages::motDePasse(*t, "Trop de tentatives. Réessayez dans " +
                                                      std::to_string(attente) +
                                                      (attente > 1 ? " secondes." : " seconde.")));
    }
    const std::string essai = requete.get_param_value("mot_de_passe");
    if (!m_contexte.limiteArgon2.executer(
            [&] { return crypto::verifierMotDePasse(*t->empreinteMotDePasse, essai); })) {
        return repondreHTML(reponse, 401, pages::motDePasse(*t, "Mot de passe incorrect."));
    }
    m_contexte.tentatives.reussite(visiteur);
    const std::int64_t expiration = m_contexte.maintenant() + dureeCookieSecondes;
    reponse.set_header("Set-Cookie", "valto_" + t->token + "=" + cookie(*t, expiration) + "; Path=/t/" +
                                         t->token + "; Max-Age=" + std::to_string(dureeCookieSecondes) +
                                         "; HttpOnly; SameSite=Lax" +
                                         (requete.base_url.starts_with("https:") ? "; Secure" : ""));
    reponse.set_redirect("/t/" + t->token, 303);
}

void RoutesPages::fichier(const http::Request& requete, http::Response& reponse)
{
    const auto t = ouvert(requete, reponse);
    if (!t) {
        return;
    }
    // The name is only looked up among the transfer's own files, never taken as a path on the NAS.
    auto ouvert = m_contexte.arbre.ouvrir(t->fichiers, t->token, requete.matches[2]);
    if (!ouvert) {
        return repondreHTML(reponse, 404, pages::erreur(404));
    }
    // The descriptor opened beneath the NAS root is the one streamed: nothing is resolved again.
    auto contenu = http::SourceFichier::adopter(::fcntl(ouvert->descripteur(), F_DUPFD_CLOEXEC, 0));
    if (!contenu) {
        return repondreHTML(reponse, 404, pages::erreur(404));
    }
    const bool apercu = requete.has_param("apercu");
    reponse.set_header(
        "Content-Disposition",
        disposition(apercu ? "inline" : "attachment", std::filesystem::path(ouvert->nom()).filename().string()));
    reponse.set_source(std::move(contenu), typeDeContenu(ouvert->chemin()));
    if (requete.method == "GET" && !apercu) {
        reponse.on_delivered = [this, token = t->token] {
            if (m_contexte.base->compterTelechargement(token, m_contexte.maintenant())) {
                signaler(Evenements::Sorte::telechargement, token);
            }
        };
    }
}

void RoutesPages::archive(const http::Request& requete, http::Response& reponse)
{
    const auto t = ouvert(requete, reponse);
    if (!t) {
        return;
    }
    const std::vector<Element> elements = m_contexte.arbre.contenu(t->fichiers, t->token);
    // A title is free text: a slash in it would read as a folder in the saved file's name.
    std::string nomArchive = t->titre;
    std::replace(nomArchive.begin(), nomArchive.end(), '/', '-');
    reponse.set_header("Content-Disposition", disposition("attachment", nomArchive + ".zip"));
    reponse.set_source(std::make_shared<ArchiveZip>(elements, m_crcs, m_contexte.arbre.racine()), "application/zip");
    if (requete.method == "GET") {
        reponse.on_delivered = [this, token = t->token] {
            if (m_contexte.base->compterTelechargement(token, m_contexte.maintenant())) {
                signaler(Evenements::Sorte::telechargement, token);
            }
        };
    }
}

} // namespace serveur
