#pragma once

#include "serveur/ArbreNAS.h"
#include "serveur/stockage/Stockage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace serveur::pages {

extern const std::string_view feuilleDeStyle;
extern const std::string_view scriptComparaison;
// Inline in the pages of a transfer; the Content-Security-Policy allows it by its hash.
extern const std::string_view scriptVue;

std::string echapperHTML(std::string_view texte);
// Percent-encodes everything but unreserved characters and "/".
std::string encoderURL(std::string_view texte);
// Decimal units with a decimal comma: "1,5 Mo".
std::string tailleLisible(std::int64_t octets);

std::string fichiers(const Enregistrement& transfert, const std::vector<Element>& elements);
std::string motDePasse(const Enregistrement& transfert, std::string_view message);
std::string comparaison(const Enregistrement& transfert, const Element& avant, const Element& apres);
// The page of an unknown (404), expired (410) or otherwise refused link.
std::string erreur(int statut);

} // namespace serveur::pages
