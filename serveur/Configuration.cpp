#include "Configuration.h"

#include <sodium.h>

#include <charconv>
#include <chrono>
#include <map>

namespace serveur {

namespace {

std::expected<int, std::string> lireEntier(const std::string& option, const std::string& texte, int min,
                                           int max)
{
    int valeur = 0;
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
    if (erreur != std::errc() || fin != texte.data() + texte.size() || valeur < min || valeur > max) {
        return std::unexpected("Valeur invalide pour " + option + " : " + texte);
    }
    return valeur;
}

bool adresseBaseValide(const std::string& adresse)
{
    return adresse.starts_with("postgresql://") || adresse.starts_with("postgres://");
}

using Affectation = std::function<std::expected<void, std::string>(Configuration&, const std::string&)>;

std::expected<void, std::string> affecterChemin(std::filesystem::path& cible, const std::string& valeur)
{
    cible = valeur;
    return {};
}

const std::map<std::string, Affectation>& options()
{
    static const std::map<std::string, Affectation> table = {
        {"--adresse",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             c.adresse = v;
             return {};
         }},
        {"--port",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             const auto port = lireEntier("--port", v, 1, 65535);
             if (!port) {
                 return std::unexpected(port.error());
             }
             c.port = *port;
             return {};
         }},
        {"--nas", [](Configuration& c, const std::string& v) { return affecterChemin(c.racineNAS, v); }},
        {"--copies",
         [](Configuration& c, const std::string& v) { return affecterChemin(c.dossierCopies, v); }},
        {"--url",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             c.urlPublique = v;
             return {};
         }},
        {"--donnees",
         [](Configuration& c, const std::string& v) { return affecterChemin(c.dossierDonnees, v); }},
        {"--cle", [](Configuration& c, const std::string& v) { return affecterChemin(c.fichierCle, v); }},
        {"--versions",
         [](Configuration& c, const std::string& v) { return affecterChemin(c.dossierVersions, v); }},
        {"--base",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             if (!adresseBaseValide(v)) {
                 return std::unexpected("Adresse invalide pour --base : " + v + " (postgresql://…)");
             }
             c.base = v;
             return {};
         }},
        {"--base-mot-de-passe",
         [](Configuration& c, const std::string& v) { return affecterChemin(c.fichierMotDePasseBase, v); }},
        {"--proxy-de-confiance",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             c.proxyDeConfiance = v;
             return {};
         }},
        {"--connexions-par-adresse",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             const auto nombre = lireEntier("--connexions-par-adresse", v, 1, 100000);
             if (!nombre) {
                 return std::unexpected(nombre.error());
             }
             c.limites.connexionsParClient = *nombre;
             return {};
         }},
        {"--fils",
         [](Configuration& c, const std::string& v) -> std::expected<void, std::string> {
             const auto fils = lireEntier("--fils", v, 1, 256);
             if (!fils) {
                 return std::unexpected(fils.error());
             }
             c.fils = *fils;
             return {};
         }},
    };
    return table;
}

} // namespace

CoutArgon2 CoutArgon2::interactif()
{
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

CoutArgon2 CoutArgon2::minimal()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

void Configuration::completer()
{
    if (dossierCopies.empty()) {
        dossierCopies = racineNAS / "DATA" / "Valto Transferts";
    }
    if (fichierCle.empty()) {
        fichierCle = dossierCopies / ".transfer-api-key";
    }
    if (!horloge) {
        horloge = [] {
            return std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
    }
}

std::expected<LigneDeCommande, std::string> lireLigneDeCommande(const std::vector<std::string>& arguments)
{
    LigneDeCommande ligne;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            ligne.aide = true;
            return ligne;
        }
        if (argument == "--migrer-vers" && i + 1 < arguments.size()) {
            ligne.migrerVers = arguments[++i];
            if (!adresseBaseValide(ligne.migrerVers)) {
                return std::unexpected("Adresse invalide pour --migrer-vers : " + ligne.migrerVers);
            }
            continue;
        }
        const auto option = options().find(argument);
        if (option == options().end()) {
            return std::unexpected("Option inconnue : " + argument);
        }
        if (i + 1 >= arguments.size()) {
            return std::unexpected("Valeur manquante pour " + argument);
        }
        if (const auto affectee = option->second(ligne.configuration, arguments[++i]); !affectee) {
            return std::unexpected(affectee.error());
        }
    }
    if (!ligne.migrerVers.empty() && !ligne.configuration.dossierDonnees.empty()) {
        return ligne;
    }
    if (ligne.configuration.racineNAS.empty() || ligne.configuration.dossierDonnees.empty()) {
        return std::unexpected(
            std::string("Les options --nas et --donnees sont obligatoires (voir --help)."));
    }
    ligne.configuration.completer();
    return ligne;
}

std::string texteAide()
{
    return R"(Usage : valto-serveur --nas DOSSIER --donnees DOSSIER [options]
        valto-serveur --donnees DOSSIER --migrer-vers postgresql://… [--base-mot-de-passe FICHIER]

Serveur de transferts Valto : API des transferts et pages de téléchargement.

  --adresse ADRESSE   adresse d'écoute (défaut : 127.0.0.1)
  --port PORT         port d'écoute (défaut : 8642)
  --nas DOSSIER       racine du NAS : un sous-dossier par partage (obligatoire)
  --copies DOSSIER    dossier des copies, un sous-dossier par token
                      (défaut : <nas>/DATA/Valto Transferts)
  --url URL           adresse publique utilisée dans les liens (défaut : http://<adresse>:<port>)
  --donnees DOSSIER   dossier des données du serveur : base SQLite, secret (obligatoire)
  --cle FICHIER       fichier de la clé API, créé avec une clé aléatoire s'il manque
                      (défaut : <copies>/.transfer-api-key)
  --versions DOSSIER  dossier servi sous /releases/ (version.json et images)
  --base postgresql://UTILISATEUR@HÔTE/BASE
                      base PostgreSQL partagée par plusieurs instances
                      (défaut : SQLite dans le dossier des données)
  --base-mot-de-passe FICHIER
                      fichier du mot de passe de PostgreSQL (défaut : PGPASSFILE) ;
                      jamais dans l'adresse
  --migrer-vers postgresql://…
                      copie les transferts et le secret du dossier des données
                      (SQLite) dans une base PostgreSQL vide, puis s'arrête
  --proxy-de-confiance ADRESSE
                      adresse du proxy inverse dont les en-têtes X-Forwarded-For,
                      X-Forwarded-Proto et X-Forwarded-Host sont crus
  --connexions-par-adresse N
                      connexions ouvertes à la fois par adresse de client (défaut : 64)
  --fils N            fils des pages et des téléchargements (défaut : 8)
  --help              affiche cette aide
)";
}

} // namespace serveur
