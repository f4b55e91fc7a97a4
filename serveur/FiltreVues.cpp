#include "FiltreVues.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace serveur {

namespace {

constexpr std::int64_t fenetreSecondes = 60;

bool contientSansCasse(std::string_view texte, std::string_view motif)
{
    return std::search(texte.begin(), texte.end(), motif.begin(), motif.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != texte.end();
}

} // namespace

FiltreVues::FiltreVues(EtatPartage* partage)
    : m_partage(partage)
{
}

bool FiltreVues::estNavigateur(std::string_view agent)
{
    static constexpr std::array<std::string_view, 16> robots = {
        "bot",     "crawler",  "spider",   "preview", "facebookexternalhit",
        "slack",   "whatsapp", "telegram", "discord", "skype",
        "embedly", "headless", "curl",     "wget",    "python",
        "outlook"};
    return agent.starts_with("Mozilla/") &&
           std::none_of(robots.begin(), robots.end(),
                        [&](std::string_view r) { return contientSansCasse(agent, r); });
}

bool FiltreVues::aCompter(const std::string& token, const std::string& adresse, const std::string& agent,
                          std::int64_t maintenant)
{
    const std::string texteVisiteur = token + '\n' + adresse + '\n' + agent;
    const crypto::Condensat visiteur = crypto::condenser(texteVisiteur);
    {
        const std::lock_guard verrou(m_verrou);
        oublierAnciennes(maintenant);
        const auto precedente = m_dernieres.find(visiteur);
        if (precedente != m_dernieres.end() && maintenant - precedente->second < fenetreSecondes) {
            return false;
        }
        if (!m_partage) {
            m_dernieres[visiteur] = maintenant;
            return true;
        }
    }
    // A view known here is enough to refuse a reload, as the shared time only moves forward: a crowd
    // reloading one link costs no round trip. Otherwise the shared state decides, and the time it reports
    // answers the next reloads here.
    const VueMarquee vue =
        m_partage->marquerVue(crypto::condenserHex(texteVisiteur), maintenant, fenetreSecondes);
    if (vue.depuis) {
        const std::lock_guard verrou(m_verrou);
        m_dernieres[visiteur] = std::max(m_dernieres[visiteur], *vue.depuis);
    }
    return vue.comptee;
}

void FiltreVues::oublierAnciennes(std::int64_t maintenant)
{
    if (maintenant - m_dernierMenage < fenetreSecondes) {
        return;
    }
    m_dernierMenage = maintenant;
    std::erase_if(m_dernieres, [&](const auto& vue) { return maintenant - vue.second >= fenetreSecondes; });
}

} // namespace serveur
