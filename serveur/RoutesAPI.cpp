#include "RoutesAPI.h"

#include "serveur/Crypto.h"
#include "serveur/Dates.h"
#include "serveur/Demandes.h"
#include "serveur/Journal.h"

#include "serveur/http/Routeur.h"
#include <nlohmann/json.hpp>

#include <algorithm>

using nlohmann::json;

namespace serveur {

namespace {

constexpr std::int64_t secondesParJour = 86400;
const std::string motifToken = "/api/transferts/([^/]+)";

void repondreJSON(http::Response& reponse, int statut, const json& corps)
{
    reponse.status = statut;
    reponse.set_content(corps.dump(), "application/json; charset=utf-8");
}

void ajouterDate(json& objet, const char* cle, const std::optional<std::int64_t>& date)
{
    if (date) {
        objet[cle] = dateISO(*date);
    }
}

std::optional<std::int64_t> expirationDepuis(std::int64_t maintenant, std::int64_t jours)
{
    return jours == 0 ? std::nullopt : std::optional(maintenant + jours * secondesParJour);
}

// A comparison serves exactly two files, and its "ordre" designates both.
bool ordreValide(const DemandeCreation& demande, const ArbreNAS& arbre, const std::vector<Element>& elements)
{
    const auto fichiers =
        std::count_if(elements.begin(), elements.end(), [](const Element& e) { return !e.dossier; });
    if (fichiers != 2 || demande.ordre.size() != 2) {
        return false;
    }
    const Element* avant = arbre.designe(demande.ordre[0], demande.fichiers, demande.token, elements);
    const Element* apres = arbre.designe(demande.ordre[1], demande.fichiers, demande.token, elements);
    return avant != nullptr && apres != nullptr && avant != apres;
}

// A write the database refused (locked, disk full): logged, and the client may send it again.
void repondreIndisponible(http::Response& reponse, const std::string& ou, const std::string& erreur)
{
    journal::erreur(ou, erreur);
    reponse.set_header("Retry-After", "5");
    repondreJSON(reponse, 503, json{{"detail", "Base de données indisponible : réessayez dans un instant."}});
}

} // namespace

RoutesAPI::RoutesAPI(Contexte& contexte)
    : m_contexte(contexte)
{
}

void RoutesAPI::repondreErreur(http::Response& reponse, int statut, const std::string& detail)
{
    repondreJSON(reponse, statut, json{{"detail", detail}});
}

bool RoutesAPI::authentifier(const http::Request& requete, http::Response& reponse) const
{
    if (crypto::egalesEnTempsConstant(requete.get_header_value("X-Api-Key"), m_contexte.cleAPI)) {
        return true;
    }
    repondreErreur(reponse, 401, "Clé API invalide ou absente.");
    return false;
}

void RoutesAPI::installer(http::Routeur& serveur)
{
    serveur.Post("/api/transferts", [this](const auto& rq, auto& rp) { creer(rq, rp); });
    serveur.Get("/api/transferts", [this](const auto& rq, auto& rp) { lister(rq, rp); });
    serveur.Patch(motifToken, [this](const auto& rq, auto& rp) { modifier(rq, rp); });
    serveur.Delete(motifToken, [this](const auto& rq, auto& rp) { supprimer(rq, rp); });
    serveur.Get("/api/partages", [this](const auto&, auto& rp) { partages(rp); });
    serveur.Get("/api/evenements", [this](const auto& rq, auto& rp) { ecouter(rq, rp); });
}

json RoutesAPI::versJSON(const Enregistrement& t, const std::string& origine)
{
    json objet = {{"token", t.token},
                  {"titre", t.titre},
                  {"url", origine + "/t/" + t.token},
                  {"protege", t.empreinteMotDePasse.has_value()},
                  {"cree_le", dateISO(t.creeLe)},
                  {"nb_telechargements", t.nbTelechargements},
                  {"nb_vues", t.nbVues},
                  {"type", t.type},
                  {"nb_fichiers", t.nbFichiers},
                  {"octets", t.octets}};
    ajouterDate(objet, "expire_le", t.expireLe);
    ajouterDate(objet, "dernier_telechargement", t.dernierTelechargement);
    ajouterDate(objet, "premiere_vue", t.premiereVue);
    ajouterDate(objet, "derniere_vue", t.derniereVue);
    return objet;
}

void RoutesAPI::creer(const http::Request& requete, http::Response& reponse)
{
    const auto demande = lireDemandeCreation(requete.body);
    if (!demande) {
        return repondreErreur(reponse, 400, demande.error());
    }
    const std::string empreinte = crypto::signer(demande->formeCanonique(), m_contexte.secret);
    // A client that lost the first answer retries with the same body and must get its link; its password
    // is checked against the stored hash, the fingerprint leaving it out.
    const auto reponseExistante = [&](const Enregistrement& existant) {
        if (existant.empreinteCorps == empreinte &&
            (!demande->motDePasse || (existant.empreinteMotDePasse && m_contexte.limiteArgon2.executer([&] {
                return crypto::verifierMotDePasse(*existant.empreinteMotDePasse, *demande->motDePasse);
            })))) {
            return repondreJSON(reponse, 201, versJSON(existant, requete.base_url));
        }
        repondreErreur(reponse, 409, "Ce token est déjà utilisé par un autre transfert.");
    };
    if (const auto existant = m_contexte.base->trouver(demande->token)) {
        return reponseExistante(*existant);
    }
    for (const std::string& entree : demande->fichiers) {
        if (const auto resolu = m_contexte.arbre.resoudre(entree); !resolu) {
            return repondreErreur(reponse, 400, resolu.error());
        }
    }
    if (demande->fichiers.empty() && !m_contexte.arbre.aDossierDuToken(demande->token)) {
        return repondreErreur(reponse, 400,
                              "Aucun fichier : ni « fichiers » ni dossier de copies pour ce token.");
    }
    const std::vector<Element> elements = m_contexte.arbre.contenu(demande->fichiers, demande->token);
    if (demande->type == "compare" && !ordreValide(*demande, m_contexte.arbre, elements)) {
        return repondreErreur(reponse, 400, "« ordre » doit nommer les deux fichiers de la comparaison.");
    }
    Enregistrement t;
    t.token = demande->token;
    t.titre = demande->titre;
    t.expediteur = demande->expediteur;
    t.type = demande->type;
    t.fichiers = demande->fichiers;
    t.ordre = demande->ordre;
    t.creeLe = m_contexte.maintenant();
    t.expireLe = expirationDepuis(t.creeLe, demande->expireJours);
    t.empreinteCorps = empreinte;
    if (demande->motDePasse) {
        t.empreinteMotDePasse = m_contexte.limiteArgon2.executer(
            [&] { return crypto::hacherMotDePasse(*demande->motDePasse, m_contexte.configuration.argon2); });
    }
    for (const Element& e : elements) {
        if (!e.dossier) {
            ++t.nbFichiers;
            t.octets += e.taille;
        }
    }
    const auto insere = m_contexte.base->inserer(t);
    if (!insere) {
        return repondreIndisponible(reponse, "création de " + t.token, insere.error());
    }
    if (!*insere) {
        return reponseExistante(m_contexte.base->trouver(t.token).value_or(Enregistrement{}));
    }
    repondreJSON(reponse, 201, versJSON(t, requete.base_url));
}

void RoutesAPI::lister(const http::Request& requete, http::Response& reponse)
{
    json transferts = json::array();
    for (const Enregistrement& t : m_contexte.base->lister()) {
        transferts.push_back(versJSON(t, requete.base_url));
    }
    repondreJSON(reponse, 200, json{{"transferts", transferts}});
}

void RoutesAPI::modifier(const http::Request& requete, http::Response& reponse)
{
    const std::string token = requete.matches[1];
    const auto existant = tokenValide(token) ? m_contexte.base->trouver(token) : std::nullopt;
    if (!existant) {
        return repondreErreur(reponse, 404, "Transfert introuvable.");
    }
    const auto demande = lireDemandeModification(requete.body);
    if (!demande) {
        return repondreErreur(reponse, 400, demande.error());
    }
    std::optional<std::optional<std::int64_t>> expireLe;
    if (demande->expireJours) {
        expireLe = expirationDepuis(m_contexte.maintenant(), *demande->expireJours);
    }
    const auto modifie = m_contexte.base->modifier(token, demande->titre, expireLe);
    if (!modifie) {
        return repondreIndisponible(reponse, "modification de " + token, modifie.error());
    }
    const auto apres = *modifie ? m_contexte.base->trouver(token) : std::nullopt;
    if (!apres) {
        return repondreErreur(reponse, 404, "Transfert introuvable.");
    }
    repondreJSON(reponse, 200, versJSON(*apres, requete.base_url));
}

void RoutesAPI::supprimer(const http::Request& requete, http::Response& reponse)
{
    const std::string token = requete.matches[1];
    const auto supprime = tokenValide(token) ? m_contexte.base->supprimer(token) : false;
    if (!supprime) {
        return repondreIndisponible(reponse, "suppression de " + token, supprime.error());
    }
    if (!*supprime) {
        return repondreErreur(reponse, 404, "Transfert introuvable.");
    }
    m_contexte.arbre.supprimerDossierDuToken(token);
    repondreJSON(reponse, 200, json{{"token", token}});
}

void RoutesAPI::partages(http::Response& reponse)
{
    repondreJSON(reponse, 200, json{{"partages", m_contexte.arbre.partages()}});
}

void RoutesAPI::ecouter(const http::Request& requete, http::Response& reponse)
{
    auto flux = m_contexte.evenements.abonner(requete.base_url);
    if (!flux) {
        reponse.set_header("Retry-After", "60");
        return repondreErreur(reponse, 503, "Trop d'applications à l'écoute : réessayez dans un instant.");
    }
    reponse.set_header("Cache-Control", "no-store");
    // nginx would otherwise hold the events back in its buffer.
    reponse.set_header("X-Accel-Buffering", "no");
    reponse.set_flux(std::move(flux), "text/event-stream");
}

} // namespace serveur
