#include "OuvertureStockage.h"

#include "serveur/Crypto.h"
#include "serveur/stockage/StockagePostgreSQL.h"
#include "serveur/stockage/StockageSQLite.h"

#include <libpq-fe.h>

#include <fstream>

namespace serveur {

namespace {

// A password in the address would show in `ps` and in the service unit.
bool motDePasseDansAdresse(const std::string& adresse)
{
    PQconninfoOption* options = PQconninfoParse(adresse.c_str(), nullptr);
    bool present = false;
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        present = present || (std::string_view(o->keyword) == "password" && o->val && *o->val);
    }
    PQconninfoFree(options);
    return present;
}

std::expected<std::string, std::string> lireMotDePasse(const std::filesystem::path& fichier)
{
    if (fichier.empty()) {
        return std::string();
    }
    std::ifstream flux(fichier);
    std::string motDePasse;
    if (!flux || !std::getline(flux, motDePasse)) {
        return std::unexpected("Mot de passe de PostgreSQL illisible : " + fichier.string());
    }
    if (motDePasse.ends_with('\r')) {
        motDePasse.pop_back();
    }
    return motDePasse;
}

std::expected<std::unique_ptr<StockagePostgreSQL>, std::string>
ouvrirPostgreSQL(const std::string& adresse, const std::filesystem::path& fichierMotDePasse)
{
    if (motDePasseDansAdresse(adresse)) {
        return std::unexpected(std::string("Le mot de passe de PostgreSQL ne se donne pas dans l'adresse : "
                                           "utilisez --base-mot-de-passe FICHIER ou PGPASSFILE."));
    }
    const auto motDePasse = lireMotDePasse(fichierMotDePasse);
    if (!motDePasse) {
        return std::unexpected(motDePasse.error());
    }
    return StockagePostgreSQL::ouvrir(adresse, *motDePasse);
}

} // namespace

std::expected<std::unique_ptr<Stockage>, std::string> ouvrirStockage(const Configuration& configuration)
{
    if (!configuration.base.empty()) {
        return ouvrirPostgreSQL(configuration.base, configuration.fichierMotDePasseBase);
    }
    return StockageSQLite::ouvrir(configuration.dossierDonnees / "transferts.sqlite3",
                                  configuration.attenteBaseMillisecondes);
}

std::expected<std::unique_ptr<AvisPostgreSQL>, std::string> ouvrirAvis(const Configuration& configuration,
                                                                       AvisPostgreSQL::Reception reception)
{
    if (configuration.base.empty()) {
        return nullptr;
    }
    const auto motDePasse = lireMotDePasse(configuration.fichierMotDePasseBase);
    if (!motDePasse) {
        return std::unexpected(motDePasse.error());
    }
    return AvisPostgreSQL::ecouter(configuration.base, *motDePasse, std::move(reception));
}

std::expected<std::size_t, std::string> migrerVersPostgreSQL(const Configuration& configuration,
                                                             const std::string& adresse)
{
    const std::filesystem::path fichier = configuration.dossierDonnees / "transferts.sqlite3";
    std::error_code erreur;
    if (!std::filesystem::exists(fichier, erreur)) {
        return std::unexpected("Aucune base SQLite à copier : " + fichier.string());
    }
    const auto source = StockageSQLite::ouvrir(fichier, configuration.attenteBaseMillisecondes);
    if (!source) {
        return std::unexpected(source.error());
    }
    const auto secret = crypto::lireOuCreerSecret(configuration.dossierDonnees / "secret");
    if (!secret) {
        return std::unexpected(secret.error());
    }
    const auto cible = ouvrirPostgreSQL(adresse, configuration.fichierMotDePasseBase);
    if (!cible) {
        return std::unexpected(cible.error());
    }
    try {
        const std::vector<Enregistrement> transferts = (*source)->lister();
        if (const auto importe = (*cible)->importer(transferts, secret->valeur); !importe) {
            return std::unexpected("Copie vers PostgreSQL refusée : " + importe.error());
        }
        return transferts.size();
    } catch (const std::exception& e) {
        return std::unexpected("Base SQLite illisible : " + std::string(e.what()));
    }
}

} // namespace serveur
