#include "serveur/http/Plage.h"
#include "serveur/http/Request.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// Range headers and query strings as the internet sends them: a piece granted always lies in the body.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const std::string_view texte(reinterpret_cast<const char*>(donnees), taille);
    (void)serveur::http::lireParametres(texte);
    for (const std::int64_t longueur : {std::int64_t{1}, std::int64_t{300'000}, std::int64_t{1} << 40}) {
        const auto plage = serveur::http::Plage::lire(texte, longueur);
        if (plage.sorte == serveur::http::Plage::Sorte::partiel &&
            (plage.debut < 0 || plage.debut > plage.fin || plage.fin >= longueur)) {
            std::abort();
        }
    }
    return 0;
}
