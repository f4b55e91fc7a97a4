#pragma once

#include "serveur/Configuration.h"

#include <QTemporaryDir>

#include <memory>

namespace serveur {
class ConnexionPostgreSQL;
}

// A real PostgreSQL for the whole test process, started on first use into a temporary folder, reached
// through a socket in that folder only and with a password; each server under test gets a schema of its own.
class PostgreSQLDeTest final {
public:
    // Points `configuration` at a new, empty schema, the password read from a file.
    static void configurer(serveur::Configuration& configuration);
    // Ends every other connection, as a restart of PostgreSQL would.
    static void couperConnexions();
    ~PostgreSQLDeTest();

private:
    PostgreSQLDeTest();
    static PostgreSQLDeTest& partage();

    QTemporaryDir m_dossier;
    QString m_adresse;
    std::unique_ptr<serveur::ConnexionPostgreSQL> m_administration;
    int m_schemas = 0;
};
