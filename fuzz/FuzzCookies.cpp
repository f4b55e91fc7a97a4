#include "serveur/Cookies.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// Cookie headers as the internet sends them: a value found is always a piece of the header.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const std::string_view entete(reinterpret_cast<const char*>(donnees), taille);
    const std::string valeur = serveur::valeurCookie(entete, "valto_abcdefghij");
    if (!valeur.empty() && entete.find(valeur) == std::string_view::npos) {
        std::abort();
    }
    (void)serveur::expirationCookie(valeur);
    (void)serveur::expirationCookie(entete);
    return 0;
}
