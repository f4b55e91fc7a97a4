#pragma once

#include <expected>
#include <filesystem>
#include <string>

namespace serveur {

// Puts a file in place whole or not at all: written beside its final name, flushed to disk, then renamed,
// so a start cut short (disk full, crash) never leaves a truncated file that the next start would trust.
class FichierAtomique final {
public:
    // Writes `contenu` (mode 0600) under `fichier`. With `remplacer` false an existing file wins: two servers
    // started at once keep the same value. False (with the reason) when nothing could be put in place.
    static std::expected<bool, std::string> ecrire(const std::filesystem::path& fichier,
                                                   const std::string& contenu, bool remplacer);
    // Flushes a file already complete under `temporaire` and renames it to `fichier`.
    static std::expected<void, std::string> publier(const std::filesystem::path& temporaire,
                                                    const std::filesystem::path& fichier);
};

} // namespace serveur
