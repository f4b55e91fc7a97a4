#include "update/ListePropriete.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QByteArray texte(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille));
    (void)lireListePropriete(texte);
    (void)premierPointMontage(texte);
    return 0;
}
