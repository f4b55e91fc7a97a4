#include "flow/CopieEnArrierePlan.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent>

QFuture<Resultat<void, ErreurCopie>> copierEnArrierePlan(const QStringList& chemins, const QString& token,
                                                         const QString& dossierCopies, QObject* contexte,
                                                         std::function<void(qint64)> surProgression)
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
    return QtConcurrent::run([chemins, token, dossierCopies, versUI] {
        return NASCopier::copier(chemins, token, dossierCopies, versUI);
    });
}
