#pragma once

#include "serveur/Configuration.h"

#include <array>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace serveur::crypto {

// Must succeed once before anything else here is used.
bool initialiser();

std::string aleatoireHex(std::size_t octets);
// Fixed-size digest (BLAKE2b, 32 bytes) of any text.
using Condensat = std::array<unsigned char, 32>;
Condensat condenser(std::string_view texte);
// The same digest in hexadecimal, as a key stored in a database.
std::string condenserHex(std::string_view texte);
// Compares digests of both texts, so neither the content nor the length leaks through timing.
bool egalesEnTempsConstant(std::string_view a, std::string_view b);
std::string hacherMotDePasse(const std::string& motDePasse, CoutArgon2 cout);
bool verifierMotDePasse(const std::string& empreinte, const std::string& motDePasse);
// Keyed digest (hex) of `message`: signs cookies and fingerprints creation bodies.
std::string signer(std::string_view message, std::string_view cle);
// SHA-256 of `texte` in standard Base64, as a Content-Security-Policy names an inline script.
std::string sha256Base64(std::string_view texte);

// The secret kept in `fichier`, created (mode 0600) with a random value when missing.
struct Secret {
    std::string valeur;
    bool cree = false;
};
std::expected<Secret, std::string> lireOuCreerSecret(const std::filesystem::path& fichier);

} // namespace serveur::crypto
