#pragma once

#include "core/ErreurSysteme.h"

#include <expected>

// What every operation that can fail returns: its value, or an error of its layer (the platform's by
// default).
template <typename T, typename E = ErreurSysteme> using Resultat = std::expected<T, E>;
