#include "FluxContinu.h"

#include <utility>

namespace serveur::http {

FluxContinu::FluxContinu(std::size_t capacite, std::string battement)
    : m_capacite(capacite)
    , m_battement(std::move(battement))
{
}

bool FluxContinu::deposer(std::string_view texte)
{
    std::function<void()> reveil;
    bool accepte = false;
    {
        const std::lock_guard garde(m_verrou);
        accepte = !m_termine && m_enAttente.size() + texte.size() <= m_capacite;
        if (accepte) {
            m_enAttente += texte;
        } else {
            m_termine = true;
            m_enAttente = {};
        }
        reveil = m_reveil;
    }
    // Outside the lock: the connection may be taking what is pending at this very moment.
    if (reveil) {
        reveil();
    }
    return accepte;
}

std::string FluxContinu::prendre()
{
    const std::lock_guard garde(m_verrou);
    return std::exchange(m_enAttente, {});
}

bool FluxContinu::termine() const
{
    const std::lock_guard garde(m_verrou);
    return m_termine;
}

void FluxContinu::surDepot(std::function<void()> reveil)
{
    const std::lock_guard garde(m_verrou);
    m_reveil = std::move(reveil);
}

} // namespace serveur::http
