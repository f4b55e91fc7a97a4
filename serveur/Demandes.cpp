#include "Demandes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

using nlohmann::json;

namespace serveur {

namespace {

constexpr std::int64_t expirationMaxJours = 3650;

std::expected<json, std::string> lireObjet(const std::string& corps)
{
    json objet = json::parse(corps, nullptr, false);
    if (objet.is_discarded() || !objet.is_object()) {
        return std::unexpected(std::string("Le corps doit être un objet JSON."));
    }
    return objet;
}

bool blanc(const std::string& texte)
{
    return std::all_of(texte.begin(), texte.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

std::string champInvalide(const char* cle)
{
    return std::string("Champ « ") + cle + " » absent ou invalide.";
}

std::optional<std::string> chaine(const json& objet, const char* cle)
{
    const auto valeur = objet.find(cle);
    if (valeur == objet.end() || !valeur->is_string()) {
        return std::nullopt;
    }
    return valeur->get<std::string>();
}

std::optional<std::vector<std::string>> listeDeChaines(const json& objet, const char* cle)
{
    const auto valeur = objet.find(cle);
    if (valeur == objet.end() || !valeur->is_array() ||
        !std::all_of(valeur->begin(), valeur->end(), [](const json& e) { return e.is_string(); })) {
        return std::nullopt;
    }
    return valeur->get<std::vector<std::string>>();
}

bool absentOuNul(const json& objet, const char* cle)
{
    const auto valeur = objet.find(cle);
    return valeur == objet.end() || valeur->is_null();
}

std::optional<std::int64_t> expiration(const json& objet)
{
    const auto valeur = objet.find("expire_jours");
    if (valeur == objet.end() || !valeur->is_number_integer()) {
        return std::nullopt;
    }
    const std::int64_t jours = valeur->get<std::int64_t>();
    return jours >= 0 && jours <= expirationMaxJours ? std::optional(jours) : std::nullopt;
}

} // namespace

bool tokenValide(std::string_view token)
{
    return token.size() == 10 && std::all_of(token.begin(), token.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
}

std::string DemandeCreation::formeCanonique() const
{
    json objet = {{"token", token},
                  {"titre", titre},
                  {"expediteur", expediteur},
                  {"expire_jours", expireJours},
                  {"fichiers", fichiers},
                  {"type", type},
                  {"ordre", ordre}};
    // Only whether there is a password: the fingerprint is a fast digest, the password is checked
    // against its Argon2id hash.
    if (motDePasse) {
        objet["protege"] = true;
    }
    return objet.dump();
}

std::expected<DemandeCreation, std::string> lireDemandeCreation(const std::string& corps)
{
    const auto objet = lireObjet(corps);
    if (!objet) {
        return std::unexpected(objet.error());
    }
    DemandeCreation demande;
    const auto token = chaine(*objet, "token");
    if (!token || !tokenValide(*token)) {
        return std::unexpected(std::string("Token invalide : dix caractères parmi a-z et 0-9."));
    }
    demande.token = *token;
    const auto titre = chaine(*objet, "titre");
    if (!titre || blanc(*titre)) {
        return std::unexpected(std::string("Le titre ne peut pas être vide."));
    }
    demande.titre = *titre;
    const auto expediteur = chaine(*objet, "expediteur");
    if (!expediteur) {
        return std::unexpected(champInvalide("expediteur"));
    }
    demande.expediteur = *expediteur;
    const auto jours = expiration(*objet);
    if (!jours) {
        return std::unexpected(std::string("« expire_jours » doit être un entier de 0 à 3650."));
    }
    demande.expireJours = *jours;
    if (!absentOuNul(*objet, "mot_de_passe")) {
        const auto motDePasse = chaine(*objet, "mot_de_passe");
        if (!motDePasse) {
            return std::unexpected(champInvalide("mot_de_passe"));
        }
        // An empty password protects nothing: the application leaves the key out in that case.
        if (!motDePasse->empty()) {
            demande.motDePasse = *motDePasse;
        }
    }
    const auto fichiers = listeDeChaines(*objet, "fichiers");
    if (!fichiers) {
        return std::unexpected(champInvalide("fichiers"));
    }
    demande.fichiers = *fichiers;
    const auto type = chaine(*objet, "type");
    if (!type || (*type != "transfert" && *type != "compare")) {
        return std::unexpected(std::string("« type » doit valoir « transfert » ou « compare »."));
    }
    demande.type = *type;
    if (demande.type == "transfert") {
        if (!absentOuNul(*objet, "ordre")) {
            return std::unexpected(std::string("« ordre » n'est permis que pour une comparaison."));
        }
        return demande;
    }
    const auto ordre = listeDeChaines(*objet, "ordre");
    if (!ordre || ordre->size() != 2 || (*ordre)[0] == (*ordre)[1]) {
        return std::unexpected(std::string("« ordre » doit nommer les deux fichiers de la comparaison."));
    }
    demande.ordre = *ordre;
    return demande;
}

std::expected<DemandeModification, std::string> lireDemandeModification(const std::string& corps)
{
    const auto objet = lireObjet(corps);
    if (!objet) {
        return std::unexpected(objet.error());
    }
    DemandeModification demande;
    if (!absentOuNul(*objet, "titre")) {
        const auto titre = chaine(*objet, "titre");
        if (!titre || blanc(*titre)) {
            return std::unexpected(std::string("Le titre ne peut pas être vide."));
        }
        demande.titre = *titre;
    }
    if (!absentOuNul(*objet, "expire_jours")) {
        const auto jours = expiration(*objet);
        if (!jours) {
            return std::unexpected(std::string("« expire_jours » doit être un entier de 0 à 3650."));
        }
        demande.expireJours = *jours;
    }
    return demande;
}

} // namespace serveur
