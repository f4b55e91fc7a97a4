#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace serveur {

// CRC-32s of files already read for an archive, so that a resumed or repeated download need not
// read the files it skips. A file changed in any way gets a new key.
class CacheCRC final {
public:
    struct Cle {
        std::string chemin;
        std::int64_t taille = 0;
        std::int64_t modificationNs = 0;
        auto operator<=>(const Cle&) const = default;
    };

    std::optional<std::uint32_t> trouver(const Cle& cle) const;
    void garder(const Cle& cle, std::uint32_t crc);

private:
    mutable std::mutex m_verrou;
    std::map<Cle, std::uint32_t> m_crcs;
};

} // namespace serveur
