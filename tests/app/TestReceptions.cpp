#include "BancApplication.h"
#include "HistoryView.h"
#include "LigneHistorique.h"
#include "api/DepuisAPI.h"
#include "serveur/ServeurDeTest.h"
#include "support/ExecuterTests.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {

const QByteArray navigateur = "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";
const QString cheminNotifications = u"/org/freedesktop/Notifications"_s;
const QString interfaceNotifications = u"org.freedesktop.Notifications"_s;

} // namespace

// Stands in for the desktop's notification service: each call recorded as "replaced id|summary|body".
class ServiceNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList appels;

public Q_SLOTS:
    uint Notify(const QString&, uint remplace, const QString&, const QString& titre, const QString& corps,
                const QStringList&, const QVariantMap&, int)
    {
        appels.append(u"%1|%2|%3"_s.arg(remplace).arg(titre, corps));
        return uint(appels.size());
    }
};

// A session bus of the test's own in a temporary folder, the stand-in service on it, and the process's
// address pointing at it for as long as it lives.
struct BusPrive {
    QTemporaryDir dossier;
    QProcess demon;
    ServiceNotifications service;

    BusPrive()
    {
        demon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s,
                                       u"--address=unix:dir="_s + dossier.path()});
        QVERIFY(demon.waitForStarted() && QTest::qWaitFor([&] { return demon.canReadLine(); }));
        const QString adresse = QString::fromUtf8(demon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", adresse.toUtf8());
        QDBusConnection bus = QDBusConnection::connectToBus(adresse, u"service"_s);
        QVERIFY(bus.registerObject(cheminNotifications, &service, QDBusConnection::ExportAllSlots) &&
                bus.registerService(interfaceNotifications));
    }
    ~BusPrive()
    {
        QDBusConnection::disconnectFromBus(u"service"_s);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        demon.kill();
        demon.waitForFinished();
    }
    void activer(uint id)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(cheminNotifications, interfaceNotifications, u"ActionInvoked"_s);
        signal << id << u"default"_s;
        QDBusConnection(u"service"_s).send(signal);
    }
};

// The application against the real server: each receipt changes the row at once without asking for the
// list again, and the user hears of it (title from the history, time of the server's record) unless the
// setting says otherwise. Activating the last notice brings the window forward with the row in sight.
class TestReceptions final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void recus_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<bool>("prevenir");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("vue") << QStringList{u"vue"_s} << true
                             << QStringList{u"0|« Maquettes » a été ouvert|À @h"_s};
        QTest::newRow("deux téléchargements")
            << QStringList{u"f/a.txt"_s, u"f/a.txt"_s} << true
            << QStringList{u"0|« Maquettes » a été téléchargé|À @h"_s,
                           u"1|« Maquettes » a été téléchargé|2 fois, la dernière à @h"_s};
        QTest::newRow("réglage éteint") << QStringList{u"vue"_s, u"f/a.txt"_s} << false << QStringList{};
    }
    void recus()
    {
        QFETCH(QStringList, actions);
        QFETCH(bool, prevenir);
        QFETCH(QStringList, notices);
        BusPrive bus;
        ServeurDeTest s;
        BancApplication banc;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        Transfert photos = transfertDepuisAPI(s.creer(corpsDe(u"photos0001"_s, {u"DATA/Clients/a.txt"_s})),
                                              {}, u"transfert"_s, QDateTime::currentDateTimeUtc());
        photos.titre = u"Maquettes"_s;
        banc.env.preferences().ecrire(Preferences::cleApiBaseURL, s.origine());
        banc.env.preferences().ecrire(Preferences::cleApiKey, s.cle());
        banc.env.preferences().ecrire(Preferences::clePrevenirReceptions, prevenir);
        HistoryStore& historique = banc.app().historique();
        // Older entries below it, to scroll the row out of sight.
        for (int i = 0; i < 12; ++i) {
            Transfert autre = photos;
            autre.token = u"autre%1"_s.arg(i, 5, 10, QChar(u'0'));
            historique.ajouter(autre);
        }
        historique.ajouter(photos);
        banc.montrer();
        QTRY_VERIFY(banc.app().ecoute().fluxOuvert() && historique.stats().contains(photos.token));
        HistoryView& vue = banc.contenu().historique();
        LigneHistorique* ligne = vue.lignes().first();
        const QString statutAvant = ligne->ligneStatut();
        const qsizetype listes = s.journal().filter(u"GET /api/transferts "_s).size();

        for (const QString& action : actions) {
            const bool balise = action == u"vue";
            s.envoyer(balise ? "POST" : "GET", u"/t/photos0001/"_s + action, {{"User-Agent", navigateur}});
        }
        const auto compte = [&](const QString& quoi) { return qint64(actions.count(quoi)); };
        QTRY_COMPARE(historique.stats().value(photos.token).nbVues, compte(u"vue"_s));
        QTRY_COMPARE(historique.stats().value(photos.token).nbTelechargements, compte(u"f/a.txt"_s));
        QVERIFY(ligne->ligneStatut() != statutAvant);
        const QString heure =
            QDateTime::fromSecsSinceEpoch(s.maintenant()).toLocalTime().toString(u"HH:mm"_s);
        QTRY_COMPARE(bus.service.appels, notices.replaceInStrings(u"@h"_s, heure));
        QCOMPARE(s.journal().filter(u"GET /api/transferts "_s).size(), listes);
        if (notices.isEmpty()) {
            // Nothing must come, not even late.
            QTest::qWait(300);
            QVERIFY(bus.service.appels.isEmpty());
            return;
        }
        QScrollBar* barre = vue.findChild<QScrollArea*>(u"liste"_s)->verticalScrollBar();
        barre->setValue(barre->maximum());
        QTRY_VERIFY(ligne->visibleRegion().isEmpty());
        banc.fenetre().hide();
        bus.activer(uint(notices.size()));
        QTRY_VERIFY(banc.fenetre().isVisible());
        QTRY_COMPARE(ligne->visibleRegion().boundingRect().size(), ligne->size());
    }
};

VALTO_INSCRIRE_TESTS(TestReceptions)

#include "TestReceptions.moc"
