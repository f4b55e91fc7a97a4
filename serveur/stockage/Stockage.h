#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace serveur {

class EtatPartage;

// One transfer as the server keeps it.
struct Enregistrement {
    std::string token;
    std::string titre;
    std::string expediteur;
    std::string type;
    std::optional<std::string> empreinteMotDePasse;
    std::vector<std::string> fichiers;
    std::vector<std::string> ordre;
    std::int64_t creeLe = 0;
    std::optional<std::int64_t> expireLe;
    std::int64_t nbFichiers = 0;
    std::int64_t octets = 0;
    // Keyed digest of the creation body, password left out: tells a retried creation from a collision.
    std::string empreinteCorps;
    std::int64_t nbTelechargements = 0;
    std::optional<std::int64_t> dernierTelechargement;
    std::int64_t nbVues = 0;
    std::optional<std::int64_t> premiereVue;
    std::optional<std::int64_t> derniereVue;

    bool expire(std::int64_t maintenant) const { return expireLe && *expireLe <= maintenant; }
};

// Where the transfers are kept. Writes report a failure (lost connection, locked database, full disk) as a
// value with the engine's text; reads throw.
class Stockage {
public:
    virtual ~Stockage() = default;

    // False when the token is already taken.
    virtual std::expected<bool, std::string> inserer(const Enregistrement& enregistrement) = 0;
    virtual std::optional<Enregistrement> trouver(const std::string& token) = 0;
    // Newest first.
    virtual std::vector<Enregistrement> lister() = 0;
    // Writes only the fields given, in one statement: two edits at once each keep the other's field.
    // False when the token is unknown.
    virtual std::expected<bool, std::string>
    modifier(const std::string& token, const std::optional<std::string>& titre,
             const std::optional<std::optional<std::int64_t>>& expireLe) = 0;
    virtual std::expected<bool, std::string> supprimer(const std::string& token) = 0;
    // Counters never fail their caller: a count that cannot be written is logged and lost, the answer
    // goes on. Each is one statement, so instances counting at once never lose each other's counts.
    // True when counted.
    virtual bool compterVue(const std::string& token, std::int64_t quand) noexcept = 0;
    virtual bool compterTelechargement(const std::string& token, std::int64_t quand) noexcept = 0;

    // What instances sharing this storage must agree on; null when only one process uses it, which then
    // keeps that state in memory.
    virtual EtatPartage* etatPartage() { return nullptr; }
};

} // namespace serveur
