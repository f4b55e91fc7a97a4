#include "core/FichierHistorique.h"

#include <cstdint>
#include <cstdlib>

// Whatever a history file holds, what it decodes to must write out and read back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const auto lu = decoderHistorique(QByteArray(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille)));
    if (!lu) {
        return 0;
    }
    const QByteArray ecrit = encoderHistorique(*lu);
    const auto relu = decoderHistorique(ecrit);
    if (!relu || encoderHistorique(*relu) != ecrit) {
        std::abort();
    }
    return 0;
}
