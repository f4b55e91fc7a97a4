#include "Crypto.h"

#include "serveur/FichierAtomique.h"

#include <sodium.h>

#include <array>
#include <cstring>
#include <fstream>
#include <vector>

namespace serveur::crypto {

namespace {

std::string enHex(const unsigned char* octets, std::size_t taille)
{
    std::string texte(taille * 2 + 1, '\0');
    sodium_bin2hex(texte.data(), texte.size(), octets, taille);
    texte.pop_back();
    return texte;
}

std::string premiereLigne(const std::filesystem::path& fichier)
{
    std::ifstream flux(fichier);
    std::string ligne;
    std::getline(flux, ligne);
    while (!ligne.empty() && (ligne.back() == '\r' || ligne.back() == ' ')) {
        ligne.pop_back();
    }
    return ligne;
}

} // namespace

bool initialiser()
{
    return sodium_init() >= 0;
}

std::string aleatoireHex(std::size_t octets)
{
    std::vector<unsigned char> tirage(octets);
    randombytes_buf(tirage.data(), tirage.size());
    return enHex(tirage.data(), tirage.size());
}

Condensat condenser(std::string_view texte)
{
    static_assert(std::tuple_size_v<Condensat> == crypto_generichash_BYTES);
    Condensat sortie{};
    crypto_generichash(sortie.data(), sortie.size(), reinterpret_cast<const unsigned char*>(texte.data()),
                       texte.size(), nullptr, 0);
    return sortie;
}

std::string condenserHex(std::string_view texte)
{
    const Condensat condensat = condenser(texte);
    return enHex(condensat.data(), condensat.size());
}

bool egalesEnTempsConstant(std::string_view a, std::string_view b)
{
    const auto ca = condenser(a);
    const auto cb = condenser(b);
    return sodium_memcmp(ca.data(), cb.data(), ca.size()) == 0;
}

std::string hacherMotDePasse(const std::string& motDePasse, CoutArgon2 cout)
{
    std::array<char, crypto_pwhash_STRBYTES> empreinte{};
    if (crypto_pwhash_str_alg(empreinte.data(), motDePasse.data(), motDePasse.size(), cout.operations,
                              cout.memoire, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw std::runtime_error("Mémoire insuffisante pour Argon2id.");
    }
    return empreinte.data();
}

bool verifierMotDePasse(const std::string& empreinte, const std::string& motDePasse)
{
    return crypto_pwhash_str_verify(empreinte.c_str(), motDePasse.data(), motDePasse.size()) == 0;
}

std::string signer(std::string_view message, std::string_view cle)
{
    std::array<unsigned char, crypto_generichash_BYTES> sortie{};
    const auto cleCondensee = condenser(cle);
    crypto_generichash(sortie.data(), sortie.size(), reinterpret_cast<const unsigned char*>(message.data()),
                       message.size(), cleCondensee.data(), cleCondensee.size());
    return enHex(sortie.data(), sortie.size());
}

std::string sha256Base64(std::string_view texte)
{
    std::array<unsigned char, crypto_hash_sha256_BYTES> empreinte{};
    crypto_hash_sha256(empreinte.data(), reinterpret_cast<const unsigned char*>(texte.data()), texte.size());
    std::string base64(sodium_base64_ENCODED_LEN(empreinte.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(base64.data(), base64.size(), empreinte.data(), empreinte.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    base64.resize(std::strlen(base64.c_str()));
    return base64;
}

std::expected<Secret, std::string> lireOuCreerSecret(const std::filesystem::path& fichier)
{
    std::error_code erreur;
    // A link that leads nowhere is there too: creating beside it would find the name taken, forever.
    const bool present = std::filesystem::exists(std::filesystem::symlink_status(fichier, erreur));
    // An empty file is what a start cut short (disk full) used to leave: it holds no secret yet.
    if (present && std::filesystem::file_size(fichier, erreur) > 0) {
        std::string valeur = premiereLigne(fichier);
        if (valeur.empty()) {
            return std::unexpected("Fichier de clé illisible : " + fichier.string());
        }
        return Secret{std::move(valeur), false};
    }
    std::filesystem::create_directories(fichier.parent_path(), erreur);
    const std::string valeur = aleatoireHex(32);
    const auto ecrit = FichierAtomique::ecrire(fichier, valeur + "\n", present);
    if (!ecrit) {
        return std::unexpected(ecrit.error());
    }
    if (!*ecrit) {
        // Another server started at the same moment wrote it first: both keep its value.
        return lireOuCreerSecret(fichier);
    }
    return Secret{valeur, true};
}

} // namespace serveur::crypto
