#include "CacheContenus.h"

namespace serveur {

CacheContenus::CacheContenus(std::chrono::steady_clock::duration duree)
    : m_duree(duree)
{
}

std::optional<std::vector<Element>> CacheContenus::trouver(const std::string& cle, std::int64_t signature)
{
    const std::lock_guard verrou(m_verrou);
    const auto entree = m_entrees.find(cle);
    if (entree == m_entrees.end() || entree->second.signature != signature ||
        entree->second.fin <= std::chrono::steady_clock::now()) {
        return std::nullopt;
    }
    return entree->second.elements;
}

void CacheContenus::garder(const std::string& cle, std::int64_t signature,
                           const std::vector<Element>& elements)
{
    const auto maintenant = std::chrono::steady_clock::now();
    const std::lock_guard verrou(m_verrou);
    std::erase_if(m_entrees, [&](const auto& e) { return e.second.fin <= maintenant; });
    m_entrees.insert_or_assign(cle, Entree{elements, signature, maintenant + m_duree});
}

} // namespace serveur
