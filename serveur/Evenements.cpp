#include "Evenements.h"

#include "serveur/RoutesAPI.h"
#include "serveur/http/FluxContinu.h"

#include <nlohmann/json.hpp>

#include <map>

namespace serveur {

namespace {

// Beyond this, a new listener is refused: each one holds a connection.
constexpr std::size_t maxAbonnes = 1000;
// A listener may fall this far behind (a few hundred events) before it is dropped.
constexpr std::size_t capaciteFlux = 256 * 1024;

std::string_view nom(Evenements::Sorte sorte)
{
    return sorte == Evenements::Sorte::ouverture ? "ouverture" : "telechargement";
}

std::string texte(const Evenements::Evenement& evenement, const std::string& origine)
{
    // dump() escapes line breaks: the record stays on its one "data:" line.
    return "event: " + std::string(nom(evenement.sorte)) +
           "\ndata: " + RoutesAPI::versJSON(evenement.transfert, origine).dump() + "\n\n";
}

} // namespace

std::shared_ptr<http::FluxContinu> Evenements::abonner(std::string origine)
{
    const std::lock_guard garde(m_verrou);
    std::erase_if(m_abonnes, [](const Abonne& a) { return a.flux.expired(); });
    if (m_abonnes.size() >= maxAbonnes) {
        return nullptr;
    }
    auto flux = std::make_shared<http::FluxContinu>(capaciteFlux, ": ping\n\n");
    flux->deposer(": connecté\n\n");
    m_abonnes.push_back({flux, std::move(origine)});
    return flux;
}

void Evenements::relayer(std::function<bool(const std::string&)> relais)
{
    m_relais = std::move(relais);
}

void Evenements::publier(const Evenement& evenement)
{
    if (!m_relais || !m_relais(std::string(nom(evenement.sorte)) + ' ' + evenement.transfert.token)) {
        diffuser(evenement);
    }
}

void Evenements::recevoir(const std::string& avis, Stockage& base)
{
    const std::size_t espace = avis.find(' ');
    const std::string_view sorte = std::string_view(avis).substr(0, espace);
    if (espace == std::string::npos ||
        (sorte != nom(Sorte::ouverture) && sorte != nom(Sorte::telechargement))) {
        return;
    }
    if (std::optional<Enregistrement> transfert = base.trouver(avis.substr(espace + 1))) {
        diffuser({sorte == nom(Sorte::ouverture) ? Sorte::ouverture : Sorte::telechargement,
                  std::move(*transfert)});
    }
}

void Evenements::diffuser(const Evenement& evenement)
{
    std::vector<std::pair<std::shared_ptr<http::FluxContinu>, std::string>> destinataires;
    {
        const std::lock_guard garde(m_verrou);
        std::erase_if(m_abonnes, [](const Abonne& a) { return a.flux.expired(); });
        for (const Abonne& a : m_abonnes) {
            if (auto flux = a.flux.lock()) {
                destinataires.emplace_back(std::move(flux), a.origine);
            }
        }
    }
    // Listeners mostly share one origin: the record is written once per origin, not per listener.
    std::map<std::string, std::string> textes;
    for (const auto& [flux, origine] : destinataires) {
        auto [t, nouveau] = textes.try_emplace(origine);
        if (nouveau) {
            t->second = texte(evenement, origine);
        }
        flux->deposer(t->second);
    }
}

} // namespace serveur
