#pragma once

#include "serveur/Configuration.h"
#include "serveur/stockage/AvisPostgreSQL.h"
#include "serveur/stockage/Stockage.h"

#include <expected>
#include <memory>
#include <string>

namespace serveur {

// The database the configuration names: PostgreSQL for --base, SQLite in the data folder otherwise.
std::expected<std::unique_ptr<Stockage>, std::string> ouvrirStockage(const Configuration& configuration);

// Word between the instances sharing the configuration's PostgreSQL; null for a lone server on SQLite.
std::expected<std::unique_ptr<AvisPostgreSQL>, std::string> ouvrirAvis(const Configuration& configuration,
                                                                       AvisPostgreSQL::Reception reception);

// Copies the data folder's SQLite transfers and signing secret into the empty PostgreSQL database at
// `adresse`, so links, statistics, protected links and cookies carry over; returns how many transfers.
std::expected<std::size_t, std::string> migrerVersPostgreSQL(const Configuration& configuration,
                                                             const std::string& adresse);

} // namespace serveur
