#include "CacheCRC.h"

namespace serveur {

namespace {

// About 20 MB at most; forgetting everything at once is crude but rare and only costs a re-read.
constexpr std::size_t nombreMaximum = 100'000;

} // namespace

std::optional<std::uint32_t> CacheCRC::trouver(const Cle& cle) const
{
    const std::lock_guard garde(m_verrou);
    const auto trouve = m_crcs.find(cle);
    return trouve == m_crcs.end() ? std::nullopt : std::optional(trouve->second);
}

void CacheCRC::garder(const Cle& cle, std::uint32_t crc)
{
    const std::lock_guard garde(m_verrou);
    if (m_crcs.size() >= nombreMaximum) {
        m_crcs.clear();
    }
    m_crcs.insert_or_assign(cle, crc);
}

} // namespace serveur
