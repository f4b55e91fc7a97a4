#pragma once

#include "nas/NASCopier.h"

#include <QFuture>
#include <QObject>

#include <functional>

// Runs the NAS copy on a worker thread; each running byte count is handed to `surProgression`
// on the UI thread, and only while `contexte` still exists.
QFuture<Resultat<void, ErreurCopie>> copierEnArrierePlan(const QStringList& chemins, const QString& token,
                                                         const QString& dossierCopies, QObject* contexte,
                                                         std::function<void(qint64)> surProgression);
