#include "Routeur.h"

#include "serveur/Journal.h"
#include "serveur/http/SourceFichier.h"

#include <algorithm>
#include <map>

namespace serveur::http {

namespace {

std::string typeSelonExtension(const std::filesystem::path& chemin)
{
    static const std::map<std::string, std::string> types = {{".json", "application/json"},
                                                             {".html", "text/html; charset=utf-8"},
                                                             {".txt", "text/plain; charset=utf-8"},
                                                             {".zip", "application/zip"}};
    const auto type = types.find(chemin.extension().string());
    return type == types.end() ? "application/octet-stream" : type->second;
}

} // namespace

void Routeur::ajouter(const std::string& methode, const std::string& motif, Handler traitement,
                      std::optional<std::size_t> tailleMaxCorps)
{
    m_routes.push_back({methode, std::regex(motif), std::move(traitement), tailleMaxCorps});
}

void Routeur::Get(const std::string& motif, Handler traitement)
{
    ajouter("GET", motif, std::move(traitement));
}

void Routeur::Post(const std::string& motif, Handler traitement, std::optional<std::size_t> tailleMaxCorps)
{
    ajouter("POST", motif, std::move(traitement), tailleMaxCorps);
}

void Routeur::Patch(const std::string& motif, Handler traitement)
{
    ajouter("PATCH", motif, std::move(traitement));
}

void Routeur::Delete(const std::string& motif, Handler traitement)
{
    ajouter("DELETE", motif, std::move(traitement));
}

void Routeur::monter(const std::string& prefixe, const std::string& dossier)
{
    m_prefixeMonte = prefixe + "/";
    m_dossierMonte = dossier;
}

void Routeur::avantRoutage(std::function<bool(const Request&, Response&)> filtre)
{
    m_avant = std::move(filtre);
}

void Routeur::pageErreur(std::function<void(const Request&, Response&)> remplir)
{
    m_pageErreur = std::move(remplir);
}

void Routeur::traiter(Request& requete, Response& reponse) const
{
    try {
        if (!(m_avant && m_avant(requete, reponse)) && !router(requete, reponse)) {
            reponse.status = 404;
        }
    } catch (const std::exception& e) {
        journal::erreur(requete.method + " " + requete.path, e.what());
        reponse = Response{};
        reponse.status = 500;
    } catch (...) {
        journal::erreur(requete.method + " " + requete.path, "exception inconnue");
        reponse = Response{};
        reponse.status = 500;
    }
    remplirErreur(requete, reponse);
}

void Routeur::remplirErreur(const Request& requete, Response& reponse) const
{
    if (reponse.status >= 400 && reponse.body.empty() && !reponse.source && m_pageErreur) {
        m_pageErreur(requete, reponse);
    }
}

void Routeur::ajouterEnteteCommun(std::string nom, std::string valeur)
{
    m_entetesCommuns.emplace_back(std::move(nom), std::move(valeur));
}

std::optional<std::size_t> Routeur::tailleMaxCorps(std::string_view methode, const std::string& chemin) const
{
    const auto route = std::find_if(m_routes.begin(), m_routes.end(), [&](const Route& r) {
        return r.methode == methode && std::regex_match(chemin, r.motif);
    });
    return route == m_routes.end() ? std::nullopt : route->tailleMaxCorps;
}

bool Routeur::router(Request& requete, Response& reponse) const
{
    // HEAD is answered as GET; the body is left out when the answer is written.
    const std::string methode = requete.method == "HEAD" ? "GET" : requete.method;
    for (const Route& route : m_routes) {
        std::smatch groupes;
        if (route.methode == methode && std::regex_match(requete.path, groupes, route.motif)) {
            requete.matches.assign(groupes.begin(), groupes.end());
            route.traitement(requete, reponse);
            return true;
        }
    }
    return methode == "GET" && servirFichier(requete, reponse);
}

bool Routeur::servirFichier(const Request& requete, Response& reponse) const
{
    if (m_dossierMonte.empty() || !requete.path.starts_with(m_prefixeMonte)) {
        return false;
    }
    const std::filesystem::path relatif(requete.path.substr(m_prefixeMonte.size()));
    for (const auto& partie : relatif) {
        if (partie == ".." || partie.string().starts_with('/')) {
            return false;
        }
    }
    auto fichier = SourceFichier::ouvrir(std::filesystem::path(m_dossierMonte) / relatif);
    if (!fichier) {
        return false;
    }
    reponse.set_source(std::move(fichier), typeSelonExtension(relatif));
    return true;
}

} // namespace serveur::http
