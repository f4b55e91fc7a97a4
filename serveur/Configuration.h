#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace serveur {

// Cost of one Argon2id hash.
struct CoutArgon2 {
    unsigned long long operations = 0;
    std::size_t memoire = 0;

    static CoutArgon2 interactif();
    static CoutArgon2 minimal();
};

// Everything the server is told at start: where it listens, where the files and its own data lie.
struct Configuration {
    std::string adresse = "127.0.0.1";
    int port = 8642;
    std::filesystem::path racineNAS;
    std::filesystem::path dossierCopies;
    std::string urlPublique;
    std::filesystem::path dossierDonnees;
    std::filesystem::path fichierCle;
    std::filesystem::path dossierVersions;
    // httplib gives each open connection a thread: enough for a few hundred browsers at once.
    int fils = 256;
    std::size_t tailleMaxCorps = 1024 * 1024;
    CoutArgon2 argon2 = CoutArgon2::interactif();
    // Argon2id runs at once; 0: one per core.
    unsigned argon2Simultanes = 0;
    // How long a write waits for a database lock held elsewhere before it fails.
    int attenteBaseMillisecondes = 5000;
    // Base delay after a wrong password; it doubles with each further failure.
    int attenteTentativeSecondes = 1;
    // Seconds since the epoch; the system clock unless a test sets it.
    std::function<std::int64_t()> horloge;

    // Fills the defaults that depend on other options.
    void completer();
};

struct LigneDeCommande {
    Configuration configuration;
    bool aide = false;
};

// The options without the program name; the error is a French sentence for the terminal.
std::expected<LigneDeCommande, std::string> lireLigneDeCommande(const std::vector<std::string>& arguments);
std::string texteAide();

} // namespace serveur
