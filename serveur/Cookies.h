#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace serveur {

// The value of cookie `nom` in a Cookie header as browsers send it; empty when absent.
std::string valeurCookie(std::string_view entete, std::string_view nom);

// The expiry, in seconds since the epoch, that a transfer cookie "<expiry>.<signature>" announces;
// absent when the value has no such shape. The signature is checked by the caller.
std::optional<std::int64_t> expirationCookie(std::string_view valeur);

} // namespace serveur
