#pragma once

#include "serveur/ArbreNAS.h"
#include "serveur/Configuration.h"
#include "serveur/Evenements.h"
#include "serveur/FiltreVues.h"
#include "serveur/FreinTentatives.h"
#include "serveur/LimiteArgon2.h"
#include "serveur/stockage/Stockage.h"

#include <memory>
#include <string>

namespace serveur {

// What the routes share: the configuration, the data, the secrets, the counters of visitors and the
// listeners to tell of them.
struct Contexte {
    Configuration configuration;
    std::unique_ptr<Stockage> base;
    ArbreNAS arbre;
    std::string cleAPI;
    std::string secret;
    std::string urlPublique;
    FiltreVues vues;
    FreinTentatives tentatives;
    LimiteArgon2 limiteArgon2{configuration.argon2Simultanes};
    Evenements evenements{};

    std::int64_t maintenant() const { return configuration.horloge(); }
};

} // namespace serveur
