#pragma once

#include "serveur/http/Request.h"
#include "serveur/http/Response.h"

#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace serveur::http {

using Handler = std::function<void(const Request&, Response&)>;

// Finds the route of a request by method and path pattern and runs it. Every refusal leaves with a
// body, every exception becomes a logged 500: no request can take the process down.
class Routeur final {
public:
    void Get(const std::string& motif, Handler traitement);
    // `tailleMaxCorps`: a body this route accepts, below the server's limit.
    void Post(const std::string& motif, Handler traitement, std::optional<std::size_t> tailleMaxCorps = {});
    void Patch(const std::string& motif, Handler traitement);
    void Delete(const std::string& motif, Handler traitement);
    // Serves the files of `dossier` under `prefixe` (GET and HEAD only).
    void monter(const std::string& prefixe, const std::string& dossier);
    // Runs before routing; returning true means it already answered.
    void avantRoutage(std::function<bool(const Request&, Response&)> filtre);
    // Fills the body of a refusal that has none: "detail" for the API, a page for a browser.
    void pageErreur(std::function<void(const Request&, Response&)> remplir);

    // Headers every answer carries.
    void ajouterEnteteCommun(std::string nom, std::string valeur);
    const std::vector<std::pair<std::string, std::string>>& entetesCommuns() const { return m_entetesCommuns; }

    // The body limit of the route a request would reach, when it has its own.
    std::optional<std::size_t> tailleMaxCorps(std::string_view methode, const std::string& chemin) const;
    // Modifies `requete.matches` to the chosen route's groups.
    void traiter(Request& requete, Response& reponse) const;
    // Gives a refusal without a body the body its client reads.
    void remplirErreur(const Request& requete, Response& reponse) const;

private:
    struct Route {
        std::string methode;
        std::regex motif;
        Handler traitement;
        std::optional<std::size_t> tailleMaxCorps;
    };

    void ajouter(const std::string& methode, const std::string& motif, Handler traitement,
                 std::optional<std::size_t> tailleMaxCorps = {});
    bool router(Request& requete, Response& reponse) const;
    bool servirFichier(const Request& requete, Response& reponse) const;

    std::vector<Route> m_routes;
    std::string m_prefixeMonte;
    std::string m_dossierMonte;
    std::function<bool(const Request&, Response&)> m_avant;
    std::function<void(const Request&, Response&)> m_pageErreur;
    std::vector<std::pair<std::string, std::string>> m_entetesCommuns;
};

} // namespace serveur::http
