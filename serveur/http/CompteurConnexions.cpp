#include "CompteurConnexions.h"

namespace serveur::http {

CompteurConnexions::CompteurConnexions(int maximum, std::string exempte)
    : m_maximum(maximum)
    , m_exempte(std::move(exempte))
{
}

std::shared_ptr<void> CompteurConnexions::reserver(const std::string& adresse)
{
    if (adresse == m_exempte) {
        return std::make_shared<int>(0);
    }
    {
        const std::lock_guard garde(m_verrou);
        int& ouvertes = m_ouvertes[adresse];
        if (ouvertes >= m_maximum) {
            return nullptr;
        }
        ++ouvertes;
    }
    return std::shared_ptr<void>(this, [this, adresse](void*) { liberer(adresse); });
}

void CompteurConnexions::liberer(const std::string& adresse)
{
    const std::lock_guard garde(m_verrou);
    if (--m_ouvertes[adresse] <= 0) {
        m_ouvertes.erase(adresse);
    }
}

} // namespace serveur::http
