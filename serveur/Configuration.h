#pragma once

#include <chrono>
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

// What one client may make the server wait for or hold. nginx's habits: every input bounded.
struct LimitesHTTP {
    // From the connection (or the first byte of a further request) to the end of the headers.
    std::chrono::milliseconds delaiEntetes{10'000};
    std::chrono::milliseconds delaiCorps{30'000};
    // A kept-alive connection waiting for its next request.
    std::chrono::milliseconds inactivite{30'000};
    // A download whose client stopped reading.
    std::chrono::milliseconds delaiEcriture{60'000};
    // An event stream with nothing to say sends a comment this often.
    std::chrono::milliseconds battementFlux{15'000};
    std::size_t tailleMaxEntetes = 16 * 1024;
    std::size_t nbMaxEntetes = 100;
    int connexionsParClient = 64;
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
    // PostgreSQL's address (a postgresql:// URI) when several instances share the work; empty: SQLite in the
    // data folder.
    std::string base;
    // Holds PostgreSQL's password, which never appears on the command line; empty: libpq's PGPASSFILE.
    std::filesystem::path fichierMotDePasseBase;
    // Threads for the pages and downloads' blocking work (database, files, passwords); the API has its own.
    int fils = 8;
    std::size_t tailleMaxCorps = 1024 * 1024;
    LimitesHTTP limites;
    // The reverse proxy whose X-Forwarded-* headers are believed; empty: none is.
    std::string proxyDeConfiance;
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
    // Set: copy the SQLite data of the data folder into this PostgreSQL database, then stop.
    std::string migrerVers;
};

// The options without the program name; the error is a French sentence for the terminal.
std::expected<LigneDeCommande, std::string> lireLigneDeCommande(const std::vector<std::string>& arguments);
std::string texteAide();

} // namespace serveur
