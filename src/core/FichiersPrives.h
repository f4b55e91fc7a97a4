#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Files that hold the user's secrets or that the start-up reads: kept private, and read without surprises.

// Creates the folder (and missing parents) when it does not exist yet, the last one readable by its owner
// only; an existing folder keeps its rights.
void creerDossierPrive(const QString& chemin);

// The whole content of a regular file of at most `tailleMax` bytes. Empty for anything else (missing, a
// folder, a FIFO, a device, even behind a link), which is never read: opening one could block for ever.
std::optional<QByteArray> lireFichierOrdinaire(const QString& chemin, qint64 tailleMax);
