#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace serveur {

// Ten characters of [a-z0-9], as the application draws them.
bool tokenValide(std::string_view token);

// A creation body whose fields have the right types and ranges; paths are checked against the NAS later.
struct DemandeCreation {
    std::string token;
    std::string titre;
    std::string expediteur;
    std::int64_t expireJours = 0;
    std::optional<std::string> motDePasse;
    std::vector<std::string> fichiers;
    std::string type;
    std::vector<std::string> ordre;

    // The body in one canonical text, password left out: two bodies that mean the same give the same text.
    std::string formeCanonique() const;
};

struct DemandeModification {
    std::optional<std::string> titre;
    std::optional<std::int64_t> expireJours;
};

// The error is the "detail" to send back.
std::expected<DemandeCreation, std::string> lireDemandeCreation(const std::string& corps);
std::expected<DemandeModification, std::string> lireDemandeModification(const std::string& corps);

} // namespace serveur
