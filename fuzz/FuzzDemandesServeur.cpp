#include "serveur/Demandes.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// Creation and edit bodies as the internet sends them; a creation read as valid has a valid token.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const std::string corps(reinterpret_cast<const char*>(donnees), taille);
    (void)serveur::lireDemandeModification(corps);
    const auto demande = serveur::lireDemandeCreation(corps);
    if (demande && !serveur::tokenValide(demande->token)) {
        std::abort();
    }
    return 0;
}
