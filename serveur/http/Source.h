#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace serveur::http {

// A body read piece by piece at any offset, so it can be streamed and resumed with Range.
class Source {
public:
    virtual ~Source() = default;

    virtual std::int64_t taille() const = 0;
    // Fills up to `taille` bytes from `position`; 0 when nothing can be read any more. May block:
    // it runs on the reading pool, never on a thread that serves connections.
    virtual std::size_t lire(std::int64_t position, char* tampon, std::size_t taille) = 0;
    // A strong validator: changes whenever any byte may have changed.
    virtual std::string etiquette() const = 0;
    // Seconds since the epoch.
    virtual std::int64_t modification() const = 0;
};

} // namespace serveur::http
