#include "FreinTentatives.h"

#include <algorithm>

namespace serveur {

namespace {

constexpr std::int64_t attenteMaxSecondes = 300;

} // namespace

FreinTentatives::FreinTentatives(int attenteDeBaseSecondes)
    : m_attenteDeBase(attenteDeBaseSecondes)
{
}

std::int64_t FreinTentatives::attenteRestante(const std::string& cle, std::int64_t maintenant)
{
    const std::lock_guard verrou(m_verrou);
    const auto etat = m_etats.find(cle);
    return etat == m_etats.end() ? 0 : std::max<std::int64_t>(0, etat->second.libreA - maintenant);
}

void FreinTentatives::echec(const std::string& cle, std::int64_t maintenant)
{
    const std::lock_guard verrou(m_verrou);
    // Visitors long past their wait are forgotten, so guessing from many addresses cannot grow the map for
    // ever.
    if (m_etats.size() > 10'000) {
        std::erase_if(m_etats,
                      [&](const auto& e) { return e.second.libreA + attenteMaxSecondes < maintenant; });
    }
    Etat& etat = m_etats[cle];
    etat.echecs = std::min(etat.echecs + 1, 20);
    const std::int64_t attente = std::min<std::int64_t>(
        attenteMaxSecondes, static_cast<std::int64_t>(m_attenteDeBase) << (etat.echecs - 1));
    etat.libreA = maintenant + attente;
}

void FreinTentatives::reussite(const std::string& cle)
{
    const std::lock_guard verrou(m_verrou);
    m_etats.erase(cle);
}

} // namespace serveur
