#include "NotificationsBureau.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QVariantMap>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// libdbus reads the session bus's address once per process; the environment's value of the moment is
// taken here, so that a bus started later (a test's own) is the one used.
QDBusConnection connexionSession(const QString& nom)
{
    const QByteArray adresse = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    return adresse.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, nom)
                             : QDBusConnection::connectToBus(QString::fromUtf8(adresse), nom);
}

const QString service = u"org.freedesktop.Notifications"_s;
const QString chemin = u"/org/freedesktop/Notifications"_s;

struct Notice final {
    QString titre;
    QString corps;
    QString token;
};

// Relays the service's activation signal, which QtDBus can only deliver to a named slot.
class RelaisActivation final : public QObject {
    Q_OBJECT

public:
    explicit RelaisActivation(std::function<void(uint)> surActivation)
        : m_surActivation(std::move(surActivation))
    {
    }

public Q_SLOTS:
    void surActionInvoquee(uint id, const QString& action)
    {
        if (action == u"default") {
            m_surActivation(id);
        }
    }

private:
    std::function<void(uint)> m_surActivation;
};

} // namespace

struct NotificationsBureau::Prive final {
    explicit Prive(const QString& nom)
        : nomConnexion(nom)
        , bus(connexionSession(nom))
    {
    }

    // A connection of its own.
    QString nomConnexion;
    QDBusConnection bus;
    std::unique_ptr<RelaisActivation> relais;
    // The service's number for the notice shown under each key, and the token of each number.
    QHash<QString, uint> numeros;
    QHash<uint, QString> tokens;
    // Keys whose first notice has no number yet; the latest notice waits to replace it.
    QHash<QString, std::optional<Notice>> enAttente;

    void envoyer(NotificationsBureau* bureau, const QString& cle, const Notice& notice);
    void surNumero(NotificationsBureau* bureau, const QString& cle, const Notice& notice, uint numero);
};

NotificationsBureau::NotificationsBureau(QObject* parent)
    : QObject(parent)
    , m_prive(std::make_unique<Prive>(u"valto-notifications-%1"_s.arg(quintptr(this))))
{
    m_prive->relais = std::make_unique<RelaisActivation>([this](uint id) {
        const auto token = m_prive->tokens.constFind(id);
        if (token != m_prive->tokens.cend()) {
            Q_EMIT activee(*token);
        }
    });
    m_prive->bus.connect(service, chemin, service, u"ActionInvoked"_s, m_prive->relais.get(),
                         SLOT(surActionInvoquee(uint, QString)));
}

NotificationsBureau::~NotificationsBureau()
{
    QDBusConnection::disconnectFromBus(m_prive->nomConnexion);
}

void NotificationsBureau::publier(const QString& cle, const QString& titre, const QString& corps,
                                  const QString& token)
{
    const Notice notice{titre, corps, token};
    const auto attente = m_prive->enAttente.find(cle);
    if (attente != m_prive->enAttente.end()) {
        *attente = notice;
        return;
    }
    m_prive->envoyer(this, cle, notice);
}

void NotificationsBureau::Prive::envoyer(NotificationsBureau* bureau, const QString& cle,
                                         const Notice& notice)
{
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage appel = QDBusMessage::createMethodCall(service, chemin, service, u"Notify"_s);
    const QVariantMap indications{{u"desktop-entry"_s, u"valto-transfer"_s}};
    appel << u"Valto Transfer"_s << numeros.value(cle, 0) << u"valto-transfer"_s << notice.titre
          << notice.corps << QStringList{u"default"_s, u"Afficher"_s} << indications << -1;
    enAttente.insert(cle, std::nullopt);
    // A missing service takes a while to fail: never wait for it.
    auto* attente = new QDBusPendingCallWatcher(bus.asyncCall(appel), bureau);
    QObject::connect(attente, &QDBusPendingCallWatcher::finished, bureau,
                     [this, bureau, cle, notice](QDBusPendingCallWatcher* appel) {
                         const QDBusPendingReply<uint> reponse = *appel;
                         appel->deleteLater();
                         surNumero(bureau, cle, notice, reponse.isError() ? 0 : reponse.value());
                     });
}

void NotificationsBureau::Prive::surNumero(NotificationsBureau* bureau, const QString& cle,
                                           const Notice& notice, uint numero)
{
    const std::optional<Notice> suivante = enAttente.take(cle);
    if (numero != 0) {
        tokens.remove(numeros.value(cle));
        numeros.insert(cle, numero);
        tokens.insert(numero, notice.token);
    }
    if (suivante) {
        envoyer(bureau, cle, *suivante);
    }
}

#include "NotificationsBureau_unix.moc"
