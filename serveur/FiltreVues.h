#pragma once

#include "serveur/Crypto.h"
#include "serveur/stockage/EtatPartage.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace serveur {

// Decides which page loads count as views: browsers only, and one per visitor and minute. The minute is
// kept in memory, or in the shared state when instances share the work.
class FiltreVues final {
public:
    explicit FiltreVues(EtatPartage* partage = nullptr);

    // Link-preview robots and tools announce themselves; a browser's agent starts with "Mozilla/".
    static bool estNavigateur(std::string_view agent);

    // True for the first load of `token` by this visitor (address and agent) within a minute.
    bool aCompter(const std::string& token, const std::string& adresse, const std::string& agent,
                  std::int64_t maintenant);

private:
    void oublierAnciennes(std::int64_t maintenant);

    EtatPartage* m_partage;
    std::mutex m_verrou;
    // Keyed by a digest: an agent of 8 KiB costs no more than a short one.
    std::map<crypto::Condensat, std::int64_t> m_dernieres;
    std::int64_t m_dernierMenage = 0;
};

} // namespace serveur
