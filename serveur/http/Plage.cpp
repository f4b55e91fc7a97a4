#include "Plage.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <strings.h>
#include <vector>

namespace serveur::http {

namespace {

struct Morceau {
    std::int64_t debut = 0;
    std::int64_t fin = 0;
    bool ouvertDepuisDebut = false;
};

std::string_view sansEspaces(std::string_view texte)
{
    while (!texte.empty() && (texte.front() == ' ' || texte.front() == '\t')) {
        texte.remove_prefix(1);
    }
    while (!texte.empty() && (texte.back() == ' ' || texte.back() == '\t')) {
        texte.remove_suffix(1);
    }
    return texte;
}

std::optional<std::int64_t> nombre(std::string_view texte)
{
    std::int64_t valeur = 0;
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
    if (texte.empty() || erreur != std::errc() || fin != texte.data() + texte.size()) {
        return std::nullopt;
    }
    return valeur;
}

// nullopt: the header is malformed. An empty piece (debut > fin) stands for an unsatisfiable one.
std::optional<Morceau> lireMorceau(std::string_view texte, std::int64_t taille)
{
    const std::size_t tiret = texte.find('-');
    if (tiret == std::string_view::npos) {
        return std::nullopt;
    }
    if (tiret == 0) {
        const auto suffixe = nombre(texte.substr(1));
        if (!suffixe) {
            return std::nullopt;
        }
        return Morceau{std::max<std::int64_t>(0, taille - *suffixe), taille - 1, false};
    }
    const auto debut = nombre(texte.substr(0, tiret));
    if (!debut) {
        return std::nullopt;
    }
    const std::string_view resteFin = texte.substr(tiret + 1);
    const auto fin = resteFin.empty() ? std::optional(std::max(taille - 1, *debut)) : nombre(resteFin);
    if (!debut || !fin || *fin < *debut) {
        return std::nullopt;
    }
    return Morceau{*debut, std::min(*fin, taille - 1), resteFin.empty()};
}

} // namespace

Plage Plage::lire(std::string_view entete, std::int64_t taille)
{
    constexpr std::string_view unite = "bytes=";
    if (entete.size() < unite.size() || ::strncasecmp(entete.data(), unite.data(), unite.size()) != 0) {
        return {};
    }
    entete.remove_prefix(unite.size());
    std::vector<Morceau> morceaux;
    bool tousOuverts = true;
    while (!entete.empty()) {
        const std::size_t virgule = std::min(entete.find(','), entete.size());
        const std::string_view texte = sansEspaces(entete.substr(0, virgule));
        entete.remove_prefix(std::min(virgule + 1, entete.size()));
        if (texte.empty()) {
            continue;
        }
        const auto morceau = lireMorceau(texte, taille);
        if (!morceau) {
            return {};
        }
        tousOuverts = tousOuverts && morceau->ouvertDepuisDebut;
        if (morceau->debut <= morceau->fin) {
            morceaux.push_back(*morceau);
        }
    }
    if (morceaux.empty()) {
        return {Sorte::insatisfiable, 0, 0, false};
    }
    std::sort(morceaux.begin(), morceaux.end(), [](const Morceau& a, const Morceau& b) { return a.debut < b.debut; });
    Plage plage{Sorte::partiel, morceaux.front().debut, morceaux.front().fin, false};
    for (const Morceau& m : morceaux) {
        if (m.debut > plage.fin + 1) {
            return {};
        }
        plage.fin = std::max(plage.fin, m.fin);
    }
    plage.completeUnTelechargement = plage.debut == 0 || tousOuverts;
    return plage;
}

} // namespace serveur::http
