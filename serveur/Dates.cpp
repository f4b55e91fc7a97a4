#include "Dates.h"

#include <array>
#include <ctime>

namespace serveur {

namespace {

std::tm enUTC(std::int64_t secondes)
{
    const std::time_t t = static_cast<std::time_t>(secondes);
    std::tm date{};
    gmtime_r(&t, &date);
    return date;
}

} // namespace

std::string dateISO(std::int64_t secondes)
{
    const std::tm date = enUTC(secondes);
    std::array<char, 32> texte{};
    std::strftime(texte.data(), texte.size(), "%Y-%m-%dT%H:%M:%SZ", &date);
    return texte.data();
}

std::string dateFrancaise(std::int64_t secondes)
{
    static const std::array<const char*, 12> mois = {"janvier",   "février", "mars",     "avril",
                                                     "mai",       "juin",    "juillet",  "août",
                                                     "septembre", "octobre", "novembre", "décembre"};
    const std::tm date = enUTC(secondes);
    return std::to_string(date.tm_mday) + " " + mois[static_cast<std::size_t>(date.tm_mon)] + " " +
           std::to_string(date.tm_year + 1900);
}

} // namespace serveur
