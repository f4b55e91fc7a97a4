#include "flow/CopieEnArrierePlan.h"

#include "flow/TailleTotale.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QtConcurrent>

QFuture<Resultat<QStringList, ErreurCopie>>
copierEnArrierePlan(const QStringList& chemins, const QString& token, const QString& dossierCopies,
                    QObject* contexte, std::function<void(qint64)> surProgression, std::stop_token arret)
{
    // The weak link is only dereferenced on the UI thread, inside the queued call.
    auto versUI = [cible = QPointer<QObject>(contexte),
                   surProgression = std::move(surProgression)](qint64 octets) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [cible, surProgression, octets] {
                if (cible) {
                    surProgression(octets);
                }
            },
            Qt::QueuedConnection);
    };
    return QtConcurrent::run([chemins, token, dossierCopies, versUI, arret] {
        return NASCopier::copier(chemins, token, dossierCopies, versUI, arret);
    });
}

QFuture<void> supprimerEnArrierePlan(const QString& dossier)
{
    return QtConcurrent::run([dossier] { QDir(dossier).removeRecursively(); });
}

QFuture<qint64> compterEnArrierePlan(const QStringList& chemins, std::stop_token arret)
{
    return QtConcurrent::run([chemins, arret] { return tailleTotale(chemins, arret); });
}
