#include "Journal.h"

#include <cstdio>
#include <mutex>

namespace serveur::journal {

namespace {

std::mutex verrou;
std::function<void(const std::string&)> destinationTests;

} // namespace

void ecrire(std::string_view ligne)
{
    std::string texte(ligne);
    // A decoded path or an exception's text could carry a line break and forge a line of its own.
    for (char& c : texte) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    const std::lock_guard garde(verrou);
    if (destinationTests) {
        destinationTests(texte);
        return;
    }
    texte += '\n';
    std::fwrite(texte.data(), 1, texte.size(), stderr);
    std::fflush(stderr);
}

void erreur(std::string_view ou, std::string_view quoi)
{
    std::string ligne = "erreur ";
    ligne += ou;
    ligne += " : ";
    ligne += quoi;
    ecrire(ligne);
}

void rediriger(std::function<void(const std::string&)> destination)
{
    const std::lock_guard garde(verrou);
    destinationTests = std::move(destination);
}

} // namespace serveur::journal
