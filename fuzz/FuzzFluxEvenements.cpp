#include "api/LecteurSSE.h"

#include <cstdint>
#include <cstdlib>

// The stream's bytes arrive in pieces the network chooses: cut anywhere, they must give the same events.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    if (taille < 1) {
        return 0;
    }
    const QByteArrayView flux(reinterpret_cast<const char*>(donnees) + 1, static_cast<qsizetype>(taille - 1));
    const qsizetype coupure = flux.isEmpty() ? 0 : donnees[0] % (flux.size() + 1);
    LecteurSSE entier(4096), enDeux(4096);
    const auto tout = entier.lire(flux);
    auto debut = enDeux.lire(flux.first(coupure));
    const auto fin = enDeux.lire(flux.sliced(coupure));
    if (debut && fin) {
        debut->append(*fin);
    }
    // Past the limit, a stream is refused whichever way it came.
    if (tout.has_value() != (debut.has_value() && fin.has_value()) || (tout && *tout != *debut)) {
        std::abort();
    }
    return 0;
}
