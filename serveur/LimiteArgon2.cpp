#include "LimiteArgon2.h"

#include <algorithm>
#include <thread>

namespace serveur {

LimiteArgon2::LimiteArgon2(unsigned places)
    : m_places(static_cast<std::ptrdiff_t>(places > 0 ? places
                                                      : std::max(1u, std::thread::hardware_concurrency())))
{
}

LimiteArgon2::Place::Place(LimiteArgon2& limite)
    : m_limite(limite)
{
    m_limite.m_places.acquire();
    const int enCours = ++m_limite.m_enCours;
    int pic = m_limite.m_pic.load();
    while (enCours > pic && !m_limite.m_pic.compare_exchange_weak(pic, enCours)) {
    }
}

LimiteArgon2::Place::~Place()
{
    --m_limite.m_enCours;
    m_limite.m_places.release();
}

} // namespace serveur
