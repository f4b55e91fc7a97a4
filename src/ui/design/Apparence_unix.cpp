#include "Apparence.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString servicePortail = u"org.freedesktop.portal.Desktop"_s;
const QString cheminPortail = u"/org/freedesktop/portal/desktop"_s;
const QString interfaceReglages = u"org.freedesktop.portal.Settings"_s;
const QString espaceApparence = u"org.freedesktop.appearance"_s;
const QString cleSchema = u"color-scheme"_s;

// The portal's value: 1 prefers dark, 2 prefers light, anything else says nothing.
std::optional<Apparence::Mode> depuisSchema(const QVariant& valeur)
{
    QVariant brute = valeur;
    // Read() wraps the value in one or two variants depending on the portal's version.
    while (brute.canConvert<QDBusVariant>() && brute.userType() == qMetaTypeId<QDBusVariant>()) {
        brute = brute.value<QDBusVariant>().variant();
    }
    switch (brute.toUInt()) {
    case 1:
        return Apparence::Mode::sombre;
    case 2:
        return Apparence::Mode::clair;
    default:
        return std::nullopt;
    }
}

// Relays the portal's change signal, which QtDBus can only deliver to a named slot.
class EcouteurPortail final : public QObject {
    Q_OBJECT

public:
    EcouteurPortail(std::function<void(std::optional<Apparence::Mode>)> surChangement, QObject* parent)
        : QObject(parent)
        , m_surChangement(std::move(surChangement))
    {
    }

public Q_SLOTS:
    void surReglageChange(const QString& espace, const QString& cle, const QDBusVariant& valeur)
    {
        if (espace == espaceApparence && cle == cleSchema) {
            m_surChangement(depuisSchema(valeur.variant()));
        }
    }

private:
    std::function<void(std::optional<Apparence::Mode>)> m_surChangement;
};

} // namespace

void Apparence::ecouterPlateforme()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    auto* ecouteur = new EcouteurPortail([this](std::optional<Mode> mode) { setModePlateforme(mode); }, this);
    bus.connect(servicePortail, cheminPortail, interfaceReglages, u"SettingChanged"_s, ecouteur,
                SLOT(surReglageChange(QString, QString, QDBusVariant)));
    QDBusMessage lecture =
        QDBusMessage::createMethodCall(servicePortail, cheminPortail, interfaceReglages, u"Read"_s);
    lecture << espaceApparence << cleSchema;
    // A missing portal takes a while to fail: never wait for it.
    auto* attente = new QDBusPendingCallWatcher(bus.asyncCall(lecture), this);
    connect(attente, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* appel) {
        const QDBusPendingReply<QVariant> reponse = *appel;
        if (!reponse.isError()) {
            setModePlateforme(depuisSchema(reponse.value()));
        }
        appel->deleteLater();
    });
}

std::optional<Apparence::Mode> Apparence::lirePlateforme() const
{
    return std::nullopt;
}

#include "Apparence_unix.moc"
