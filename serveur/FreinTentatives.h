#pragma once

#include "serveur/stockage/EtatPartage.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace serveur {

// Slows password guessing: each attempt of a visitor on a transfer makes the next one wait, twice as long
// each time (capped), until one succeeds. Counted in memory, or in the shared state when instances share the
// work, so that guesses spread over them are slowed down as one stream.
class FreinTentatives final {
public:
    explicit FreinTentatives(int attenteDeBaseSecondes, EtatPartage* partage = nullptr);

    // Seconds still to wait before `cle` may try again; 0 when it may, the attempt then being counted
    // before the password is checked, so guesses sent at once cannot all pass the same check.
    std::int64_t reserver(const std::string& cle, std::int64_t maintenant);
    void reussite(const std::string& cle);

private:
    struct Etat {
        int echecs = 0;
        std::int64_t libreA = 0;
    };

    int m_attenteDeBase;
    EtatPartage* m_partage;
    std::mutex m_verrou;
    std::map<std::string, Etat> m_etats;
};

} // namespace serveur
