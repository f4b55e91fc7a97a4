#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace serveur {

// Slows password guessing: after each wrong password the next attempt of the same visitor on the
// same transfer must wait, twice as long each time (capped).
class FreinTentatives final {
public:
    explicit FreinTentatives(int attenteDeBaseSecondes);

    // Seconds still to wait before `cle` may try again; 0 when it may.
    std::int64_t attenteRestante(const std::string& cle, std::int64_t maintenant);
    void echec(const std::string& cle, std::int64_t maintenant);
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
