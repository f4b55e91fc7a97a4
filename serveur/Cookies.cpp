#include "Cookies.h"

#include <algorithm>
#include <charconv>

namespace serveur {

std::string valeurCookie(std::string_view entete, std::string_view nom)
{
    std::size_t debut = 0;
    while (debut < entete.size()) {
        std::size_t fin = entete.find(';', debut);
        fin = fin == std::string_view::npos ? entete.size() : fin;
        std::string_view paire = entete.substr(debut, fin - debut);
        paire.remove_prefix(std::min(paire.find_first_not_of(' '), paire.size()));
        if (paire.size() > nom.size() && paire.starts_with(nom) && paire[nom.size()] == '=') {
            return std::string(paire.substr(nom.size() + 1));
        }
        debut = fin + 1;
    }
    return {};
}

std::optional<std::int64_t> expirationCookie(std::string_view valeur)
{
    const std::size_t point = valeur.find('.');
    if (point == 0 || point == std::string_view::npos) {
        return std::nullopt;
    }
    std::int64_t expiration = 0;
    const auto [fin, erreur] = std::from_chars(valeur.data(), valeur.data() + point, expiration);
    if (erreur != std::errc() || fin != valeur.data() + point) {
        return std::nullopt;
    }
    return expiration;
}

} // namespace serveur
