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

// Renames what stands at `chemin` to "<chemin>.illisible" (then "-2", "-3"…, never replacing an earlier
// one); a regular file becomes its owner's alone, as what it holds may be private. False when it stays.
bool mettreDeCote(const QString& chemin);

// Sets aside what stands at `chemin` unless it is a regular file of at most `tailleMax` bytes, for readers
// that open a file by name and read it whole (QSettings): a FIFO would block them, a device fill memory.
void ecarterSiInutilisable(const QString& chemin, qint64 tailleMax);
