#include "InstanceUnique.h"

#include "core/FichiersPrives.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>

#include <sys/file.h>

using namespace Qt::StringLiterals;

namespace {

// The first instance may still be starting when the second knocks: it gets this long to listen.
constexpr int delaiAppelMs = 3000;
constexpr int pauseEntreAppelsMs = 100;

QString dossierApplication(const QString& dossierDonnees)
{
    // Often the first to make it: private from the start, as the history that will live there.
    const QString dossier = dossierDonnees + u"/Valto Transfer"_s;
    creerDossierPrive(dossier);
    return dossier;
}

} // namespace

InstanceUnique::InstanceUnique(const QString& dossierDonnees, QObject* parent)
    : QObject(parent)
    , m_verrou(dossierApplication(dossierDonnees) + u"/instance.lock"_s)
    , m_nomServeur(u"valto-transfer-"_s +
                   QString::fromLatin1(QCryptographicHash::hash(QDir(dossierDonnees).absolutePath().toUtf8(),
                                                                QCryptographicHash::Sha256)
                                           .toHex()
                                           .left(24)))
{
    connect(&m_serveur, &QLocalServer::newConnection, this, &InstanceUnique::accepter);
}

bool InstanceUnique::demarrer()
{
    // The system drops the lock with its process, so a crash never leaves a stale one, and taking it
    // costs no flush to disk. Only a lock held elsewhere makes this process step aside: a folder where
    // no lock can be taken at all must not keep the application from starting.
    const bool tenuAilleurs = m_verrou.open(QIODevice::ReadWrite) &&
                              ::flock(m_verrou.handle(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (tenuAilleurs) {
        appelerPremiere();
        return false;
    }
    // A socket left by a process that crashed would refuse the listen.
    QLocalServer::removeServer(m_nomServeur);
    m_serveur.setSocketOptions(QLocalServer::UserAccessOption);
    m_serveur.listen(m_nomServeur);
    return true;
}

void InstanceUnique::appelerPremiere() const
{
    const QDeadlineTimer limite(delaiAppelMs);
    while (!limite.hasExpired()) {
        QLocalSocket appel;
        appel.connectToServer(m_nomServeur);
        if (appel.waitForConnected(pauseEntreAppelsMs)) {
            appel.write("activer\n");
            appel.waitForBytesWritten(pauseEntreAppelsMs * 10);
            appel.disconnectFromServer();
            return;
        }
        QThread::msleep(pauseEntreAppelsMs);
    }
}

void InstanceUnique::accepter()
{
    while (QLocalSocket* appel = m_serveur.nextPendingConnection()) {
        connect(appel, &QLocalSocket::disconnected, appel, &QObject::deleteLater);
        Q_EMIT activationDemandee();
    }
}
