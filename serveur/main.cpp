#include "serveur/Crypto.h"
#include "serveur/ServeurTransferts.h"
#include "serveur/stockage/OuvertureStockage.h"

#include <malloc.h>

#include <csignal>
#include <iostream>
#include <thread>

namespace {

int migrer(const serveur::LigneDeCommande& ligne)
{
    if (!serveur::crypto::initialiser()) {
        std::cerr << "libsodium n'a pas pu démarrer.\n";
        return 1;
    }
    const auto copies = serveur::migrerVersPostgreSQL(ligne.configuration, ligne.migrerVers);
    if (!copies) {
        std::cerr << copies.error() << "\n";
        return 1;
    }
    std::cout << *copies << " transferts copiés vers PostgreSQL.\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // glibc gives each pool thread an arena of its own and keeps what a large listing freed in each:
    // memory would grow by a listing's worth per thread. Two arenas are enough for a few threads.
    mallopt(M_ARENA_MAX, 2);
    const auto ligne = serveur::lireLigneDeCommande(std::vector<std::string>(argv + 1, argv + argc));
    if (!ligne) {
        std::cerr << ligne.error() << "\n";
        return 2;
    }
    if (ligne->aide) {
        std::cout << serveur::texteAide();
        return 0;
    }
    if (!ligne->migrerVers.empty()) {
        return migrer(*ligne);
    }
    // Signals are taken by sigwait below, not by whichever thread they happen to land on.
    sigset_t signaux;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signaux, nullptr);

    auto serveur = serveur::ServeurTransferts::creer(ligne->configuration);
    if (!serveur) {
        std::cerr << serveur.error() << "\n";
        return 1;
    }
    if ((*serveur)->cleCreee()) {
        std::cout << "Clé API créée : " << ligne->configuration.fichierCle.string() << "\n";
    }
    const auto port = (*serveur)->lier();
    if (!port) {
        std::cerr << port.error() << "\n";
        return 1;
    }
    std::cout << "valto-serveur à l'écoute sur " << ligne->configuration.adresse << ":" << *port
              << " — liens : " << (*serveur)->urlPublique() << std::endl;
    std::thread ecoute([&] { (*serveur)->ecouter(); });
    int recu = 0;
    sigwait(&signaux, &recu);
    (*serveur)->arreter();
    ecoute.join();
    return 0;
}
