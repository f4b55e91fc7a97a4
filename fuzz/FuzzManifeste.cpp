#include "update/UpdateChecker.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const auto info = UpdateChecker::lireManifeste(
        QByteArray(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille)));
    // A version is never newer than itself, whatever its text.
    if (info && UpdateChecker::estPlusRecente(info->version, info->version)) {
        std::abort();
    }
    return 0;
}
