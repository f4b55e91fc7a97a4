#pragma once

#include <filesystem>

namespace serveur {

// Opens `relatif` (a path without links, as checked a moment earlier) for reading without ever leaving
// `racine`: a link swapped in since the check makes the open fail. -1 on failure.
int ouvrirSousRacine(const std::filesystem::path& racine, const std::filesystem::path& relatif);

} // namespace serveur
