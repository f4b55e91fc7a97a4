#include "Pages.h"

#include "serveur/Dates.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace serveur::pages {

const std::string_view feuilleDeStyle = R"(
:root { color-scheme: light dark; --fond: #f6f5f2; --carte: #ffffff; --texte: #1d1d1f; --doux: #6e6e73;
  --accent: #1f5eff; --bord: #e3e1dc; }
@media (prefers-color-scheme: dark) { :root { --fond: #151516; --carte: #202022; --texte: #f2f2f4;
  --doux: #a1a1a6; --accent: #5b8cff; --bord: #333336; } }
* { box-sizing: border-box; }
body { margin: 0; font: 16px/1.5 system-ui, -apple-system, "Segoe UI", sans-serif; background: var(--fond);
  color: var(--texte); }
main { max-width: 860px; margin: 48px auto; padding: 0 20px; }
.carte { background: var(--carte); border: 1px solid var(--bord); border-radius: 14px; padding: 28px; }
.marque { font-weight: 700; letter-spacing: .08em; text-transform: uppercase; color: var(--doux);
  font-size: 13px; margin-bottom: 12px; }
h1 { font-size: 26px; margin: 0 0 6px; overflow-wrap: anywhere; }
.infos { color: var(--doux); margin: 0 0 22px; }
.bouton { display: inline-block; background: var(--accent); color: #fff; border: 0; border-radius: 9px;
  padding: 10px 18px; font: inherit; font-weight: 600; text-decoration: none; cursor: pointer; }
.bouton.discret { background: transparent; color: var(--accent); border: 1px solid var(--bord); padding: 6px 12px; }
ul.fichiers { list-style: none; padding: 0; margin: 22px 0 0; border-top: 1px solid var(--bord); }
ul.fichiers li { display: flex; gap: 12px; align-items: center; padding: 10px 0; border-bottom: 1px solid var(--bord); }
.nom { flex: 1; min-width: 0; overflow-wrap: break-word; }
@media (max-width: 560px) { main { margin: 20px auto; padding: 0 12px; } .carte { padding: 20px; }
  ul.fichiers li { flex-wrap: wrap; } .nom { flex-basis: 100%; } .taille { flex: 1; } }
.taille { color: var(--doux); white-space: nowrap; }
input[type=password] { font: inherit; padding: 9px 12px; border: 1px solid var(--bord); border-radius: 9px;
  width: 100%; max-width: 320px; margin: 8px 0 14px; background: var(--fond); color: var(--texte); }
.alerte { color: #c62828; }
.curseur { position: relative; overflow: hidden; border-radius: 10px; background: #000; user-select: none; }
.curseur img { display: block; width: 100%; height: auto; }
.curseur .apres { position: absolute; inset: 0; clip-path: inset(0 0 0 50%); }
.curseur .ligne { position: absolute; top: 0; bottom: 0; left: 50%; width: 2px; background: #fff; }
.curseur input { position: absolute; inset: 0; width: 100%; height: 100%; opacity: 0; cursor: ew-resize; margin: 0; }
.etiquettes { display: flex; justify-content: space-between; color: var(--doux); margin: 8px 0 18px; }
.cote { display: grid; grid-template-columns: 1fr 1fr; gap: 12px; }
.cote iframe { width: 100%; height: 70vh; border: 1px solid var(--bord); border-radius: 10px; background: #fff; }
)";

const std::string_view scriptComparaison = R"(
document.querySelectorAll('.curseur').forEach(function (c) {
  var entree = c.querySelector('input'), apres = c.querySelector('.apres'), ligne = c.querySelector('.ligne');
  function placer() { apres.style.clipPath = 'inset(0 0 0 ' + entree.value + '%)'; ligne.style.left = entree.value + '%'; }
  entree.addEventListener('input', placer);
  placer();
});
)";

// Counts the view once the page is on screen: a robot that fetches the page without showing it never
// runs it. The frame callback waits for a visible tab; the timeout, for that frame to be painted.
const std::string_view scriptVue =
    "requestAnimationFrame(function () { setTimeout(function () { "
    "fetch(location.pathname + '/vue', { method: 'POST', keepalive: true }); }); });";

namespace {

enum class Scripts { aucun, vue, vueEtComparaison };

std::string document(std::string_view titre, const std::string& corps, Scripts scripts = Scripts::aucun)
{
    std::string page = "<!doctype html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<meta name=\"robots\" content=\"noindex\">"
                       "<link rel=\"stylesheet\" href=\"/static/valto.css\"><title>";
    page += echapperHTML(titre);
    page += " — Valto</title></head><body><main><div class=\"carte\"><div class=\"marque\">Valto</div>";
    page += corps;
    page += "</div></main>";
    if (scripts != Scripts::aucun) {
        page += "<script>" + std::string(scriptVue) + "</script>";
    }
    if (scripts == Scripts::vueEtComparaison) {
        page += "<script src=\"/static/comparaison.js\"></script>";
    }
    return page + "</body></html>\n";
}

std::string lienFichier(const Enregistrement& t, const Element& e, bool apercu = false)
{
    return "/t/" + t.token + "/f/" + encoderURL(e.nom) + (apercu ? "?apercu=1" : "");
}

std::string infos(const Enregistrement& t, std::int64_t nbFichiers, std::int64_t octets)
{
    std::string texte = std::to_string(nbFichiers) + (nbFichiers > 1 ? " fichiers" : " fichier") + " · " +
                        tailleLisible(octets);
    if (!t.expediteur.empty()) {
        texte = "Envoyé par " + echapperHTML(t.expediteur) + " · " + texte;
    }
    if (t.expireLe) {
        texte += " · disponible jusqu'au " + dateFrancaise(*t.expireLe);
    }
    return "<p class=\"infos\">" + texte + "</p>";
}

std::string ligneFichier(const Enregistrement& t, const Element& e)
{
    return "<li><span class=\"nom\">" + echapperHTML(e.nom) + "</span><span class=\"taille\">" +
           tailleLisible(e.taille) + "</span><a class=\"bouton discret\" href=\"" +
           echapperHTML(lienFichier(t, e)) + "\" download>Télécharger</a></li>";
}

bool estImage(const Element& e)
{
    std::string extension = e.chemin.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::array<std::string_view, 6> images = {".jpg", ".jpeg", ".png", ".webp", ".gif", ".avif"};
    return std::find(images.begin(), images.end(), extension) != images.end();
}

} // namespace

std::string echapperHTML(std::string_view texte)
{
    std::string sortie;
    sortie.reserve(texte.size());
    for (const char c : texte) {
        switch (c) {
        case '&':
            sortie += "&amp;";
            break;
        case '<':
            sortie += "&lt;";
            break;
        case '>':
            sortie += "&gt;";
            break;
        case '"':
            sortie += "&quot;";
            break;
        case '\'':
            sortie += "&#39;";
            break;
        default:
            sortie += c;
        }
    }
    return sortie;
}

std::string encoderURL(std::string_view texte)
{
    std::string sortie;
    for (const char c : texte) {
        const auto octet = static_cast<unsigned char>(c);
        if (std::isalnum(octet) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            sortie += c;
        } else {
            std::array<char, 4> code{};
            std::snprintf(code.data(), code.size(), "%%%02X", octet);
            sortie += code.data();
        }
    }
    return sortie;
}

std::string tailleLisible(std::int64_t octets)
{
    static const std::array<const char*, 5> unites = {"o", "Ko", "Mo", "Go", "To"};
    double valeur = static_cast<double>(octets);
    std::size_t unite = 0;
    while (valeur >= 1000 && unite + 1 < unites.size()) {
        valeur /= 1000;
        ++unite;
    }
    std::array<char, 32> texte{};
    std::snprintf(texte.data(), texte.size(), unite == 0 ? "%.0f %s" : "%.1f %s", valeur, unites[unite]);
    std::string resultat = texte.data();
    std::replace(resultat.begin(), resultat.end(), '.', ',');
    return resultat;
}

std::string fichiers(const Enregistrement& t, const std::vector<Element>& elements)
{
    std::int64_t nb = 0;
    std::int64_t octets = 0;
    std::string lignes;
    for (const Element& e : elements) {
        if (!e.dossier) {
            ++nb;
            octets += e.taille;
            lignes += ligneFichier(t, e);
        }
    }
    std::string corps = "<h1>" + echapperHTML(t.titre) + "</h1>" + infos(t, nb, octets);
    if (nb > 0) {
        corps += "<a class=\"bouton\" href=\"/t/" + t.token + "/zip\">Tout télécharger</a>";
        corps += "<ul class=\"fichiers\">" + lignes + "</ul>";
    } else {
        corps += "<p>Ces fichiers ne sont plus disponibles.</p>";
    }
    return document(t.titre, corps, Scripts::vue);
}

std::string motDePasse(const Enregistrement& t, std::string_view message)
{
    std::string corps = "<h1>" + echapperHTML(t.titre) +
                        "</h1><p class=\"infos\">Ce transfert est protégé par un "
                        "mot de passe.</p>";
    if (!message.empty()) {
        corps += "<p class=\"alerte\">" + echapperHTML(message) + "</p>";
    }
    corps += "<form method=\"post\" action=\"/t/" + t.token +
             "\"><label for=\"mdp\">Mot de passe</label><br><input id=\"mdp\" type=\"password\" "
             "name=\"mot_de_passe\" autocomplete=\"current-password\" autofocus required><br>"
             "<button class=\"bouton\" type=\"submit\">Ouvrir</button></form>";
    return document(t.titre, corps);
}

std::string comparaison(const Enregistrement& t, const Element& avant, const Element& apres)
{
    std::string corps = "<h1>" + echapperHTML(t.titre) + "</h1>" + infos(t, 2, avant.taille + apres.taille);
    const std::string srcAvant = echapperHTML(lienFichier(t, avant, true));
    const std::string srcApres = echapperHTML(lienFichier(t, apres, true));
    if (estImage(avant) && estImage(apres)) {
        corps += "<div class=\"curseur\"><img src=\"" + srcAvant +
                 "\" alt=\"Avant\"><img class=\"apres\" src=\"" + srcApres +
                 "\" alt=\"Après\"><div class=\"ligne\"></div><input type=\"range\" min=\"0\" max=\"100\" "
                 "value=\"50\" aria-label=\"Curseur avant / après\"></div>"
                 "<div class=\"etiquettes\"><span>Avant</span><span>Après</span></div>";
    } else {
        corps += "<div class=\"cote\"><div><p>Avant</p><iframe src=\"" + srcAvant +
                 "\" title=\"Avant\"></iframe></div><div><p>Après</p><iframe src=\"" + srcApres +
                 "\" title=\"Après\"></iframe></div></div>";
    }
    corps += "<ul class=\"fichiers\">" + ligneFichier(t, avant) + ligneFichier(t, apres) + "</ul>";
    return document(t.titre, corps, Scripts::vueEtComparaison);
}

std::string erreur(int statut)
{
    switch (statut) {
    case 404:
        return document("Lien introuvable",
                        "<h1>Lien introuvable</h1><p class=\"infos\">Ce lien n'existe pas ou "
                        "a été supprimé. Vérifiez l'adresse reçue.</p>");
    case 410:
        return document("Lien expiré", "<h1>Lien expiré</h1><p class=\"infos\">Ce transfert n'est plus "
                                       "disponible. Demandez un nouveau lien à votre interlocuteur.</p>");
    default:
        return document("Erreur", "<h1>Erreur " + std::to_string(statut) +
                                      "</h1><p class=\"infos\">La demande n'a pas pu aboutir.</p>");
    }
}

} // namespace serveur::pages
