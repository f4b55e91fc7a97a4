#pragma once

#include <cstdint>
#include <string_view>

namespace serveur::http {

// What a Range header asks of a body: the whole of it, one piece, or nothing it has.
struct Plage {
    enum class Sorte { entier, partiel, insatisfiable };
    Sorte sorte = Sorte::entier;
    std::int64_t debut = 0;
    // Inclusive.
    std::int64_t fin = 0;
    // A piece that ends the body completes a download unless it was a tail probe ("-1") or a
    // closed piece of a segmented download.
    bool completeUnTelechargement = true;

    // Overlapping and adjacent ranges are merged; ranges that stay apart, an unknown unit or a
    // malformed header ask for the whole body (allowed, and it bounds the answer to the body's size).
    static Plage lire(std::string_view entete, std::int64_t taille);
};

} // namespace serveur::http
