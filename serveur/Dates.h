#pragma once

#include <cstdint>
#include <string>

namespace serveur {

// Whole seconds since the epoch as an internet date-time in UTC ("2026-12-04T09:30:00Z").
std::string dateISO(std::int64_t secondes);
// The day as the pages show it: "4 décembre 2026".
std::string dateFrancaise(std::int64_t secondes);

} // namespace serveur
