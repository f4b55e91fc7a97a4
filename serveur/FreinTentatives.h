#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace serveur {

// Slows password guessing: each attempt of a visitor on a transfer makes the next one wait, twice as long
// each time (capped), until one succeeds.
class FreinTentatives final {
public:
    explicit FreinTentatives(int attenteDeBaseSecondes);

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
    std::mutex m_verrou;
    std::map<std::string, Etat> m_etats;
};

} // namespace serveur
