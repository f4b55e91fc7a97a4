#include "FichierOuvert.h"

#include <unistd.h>
#include <utility>

namespace serveur {

FichierOuvert::FichierOuvert(int descripteur, std::string nom, std::filesystem::path chemin,
                             std::int64_t taille, std::int64_t modifieLeNanosecondes)
    : m_descripteur(descripteur)
    , m_nom(std::move(nom))
    , m_chemin(std::move(chemin))
    , m_taille(taille)
    , m_modifieLe(modifieLeNanosecondes)
{
}

FichierOuvert::~FichierOuvert()
{
    if (m_descripteur >= 0) {
        ::close(m_descripteur);
    }
}

FichierOuvert::FichierOuvert(FichierOuvert&& autre) noexcept
    : m_descripteur(std::exchange(autre.m_descripteur, -1))
    , m_nom(std::move(autre.m_nom))
    , m_chemin(std::move(autre.m_chemin))
    , m_taille(autre.m_taille)
    , m_modifieLe(autre.m_modifieLe)
{
}

} // namespace serveur
