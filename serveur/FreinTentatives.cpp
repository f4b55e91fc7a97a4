#include "FreinTentatives.h"

#include "serveur/Crypto.h"

#include <algorithm>

namespace serveur {

namespace {

constexpr std::int64_t attenteMaxSecondes = 300;

} // namespace

FreinTentatives::FreinTentatives(int attenteDeBaseSecondes, EtatPartage* partage)
    : m_attenteDeBase(attenteDeBaseSecondes)
    , m_partage(partage)
{
}

std::int64_t FreinTentatives::reserver(const std::string& cle, std::int64_t maintenant)
{
    if (m_partage) {
        return m_partage->reserverTentative(crypto::condenserHex(cle), maintenant,
                                            {m_attenteDeBase, attenteMaxSecondes});
    }
    const std::lock_guard verrou(m_verrou);
    // Visitors long past their wait are forgotten, so guessing from many addresses cannot grow the map for
    // ever.
    if (m_etats.size() > 10'000) {
        std::erase_if(m_etats,
                      [&](const auto& e) { return e.second.libreA + attenteMaxSecondes < maintenant; });
    }
    Etat& etat = m_etats[cle];
    if (etat.libreA > maintenant) {
        return etat.libreA - maintenant;
    }
    etat.echecs = std::min(etat.echecs + 1, 20);
    etat.libreA =
        maintenant + std::min<std::int64_t>(attenteMaxSecondes, static_cast<std::int64_t>(m_attenteDeBase)
                                                                    << (etat.echecs - 1));
    return 0;
}

void FreinTentatives::reussite(const std::string& cle)
{
    if (m_partage) {
        return m_partage->oublierTentatives(crypto::condenserHex(cle));
    }
    const std::lock_guard verrou(m_verrou);
    m_etats.erase(cle);
}

} // namespace serveur
