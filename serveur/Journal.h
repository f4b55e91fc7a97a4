#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace serveur::journal {

// One line per call on standard error (journald keeps it), whole even when threads write at once.
// Callers never pass a password, a cookie or the API key.
void ecrire(std::string_view ligne);

// "erreur <où> : <quoi>", for a failure the server survived.
void erreur(std::string_view ou, std::string_view quoi);

// Tests read the lines instead of standard error; an empty function restores standard error.
void rediriger(std::function<void(const std::string&)> destination);

} // namespace serveur::journal
