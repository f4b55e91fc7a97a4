#pragma once

#include "nas/NASCopier.h"

#include <QFuture>
#include <QObject>

#include <functional>
#include <stop_token>

// Runs the NAS copy on a worker thread until done or stopped; each running byte count is handed to
// `surProgression` on the UI thread, and only while `contexte` still exists.
QFuture<Resultat<QStringList, ErreurCopie>>
copierEnArrierePlan(const QStringList& chemins, const QString& token, const QString& dossierCopies,
                    QObject* contexte, std::function<void(qint64)> surProgression, std::stop_token arret);

// Removes a folder tree on a worker thread: a deep or large one takes seconds.
QFuture<void> supprimerEnArrierePlan(const QString& dossier);

// The total size of `chemins` counted on a worker thread: a deep folder takes seconds to walk.
QFuture<qint64> compterEnArrierePlan(const QStringList& chemins, std::stop_token arret);
