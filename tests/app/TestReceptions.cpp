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
const QString cheminNotifications = u"/org/freedesktop/Notifications"_s;
const QString interfaceNotifications = u"org.freedesktop.Notifications"_s;
} // namespace

// A session bus of the test's own in a temporary folder, the process's address pointing at it while it
// lives, and on it a stand-in for the desktop's notification service that records each call as
// "replaced id|summary|body".
class BusNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QTemporaryDir dossier;
    QProcess demon;
    QStringList appels;

    BusNotifications()
    {
        demon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s,
                                       u"--address=unix:dir="_s + dossier.path()});
        QVERIFY(demon.waitForStarted() && QTest::qWaitFor([&] { return demon.canReadLine(); }));
        const QString adresse = QString::fromUtf8(demon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", adresse.toUtf8());
        QDBusConnection bus = QDBusConnection::connectToBus(adresse, u"service"_s);
        QVERIFY(bus.registerObject(cheminNotifications, this, QDBusConnection::ExportAllSlots) &&
                bus.registerService(interfaceNotifications));
    }
    ~BusNotifications() override
    {
        QDBusConnection::disconnectFromBus(u"service"_s);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        demon.kill();
        demon.waitForFinished();
    }

public Q_SLOTS:
    uint Notify(const QString&, uint remplace, const QString&, const QString& titre, const QString& corps,
                const QStringList&, const QVariantMap&, int)
    {
        appels.append(u"%1|%2|%3"_s.arg(remplace).arg(titre, corps));
        return uint(appels.size());
    }
};

// Against the real server: each receipt changes the row with no list request, and a notice (the history's
// title) follows unless turned off; activating it brings the window forward with the row in sight.
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
        QTest::newRow("une minute après") << QStringList{u"f/a.txt"_s, u"+f/a.txt"_s} << true
                                          << QStringList(2, u"0|« Maquettes » a été téléchargé|À @h"_s);
        QTest::newRow("réglage éteint") << QStringList{u"vue"_s, u"f/a.txt"_s} << false << QStringList{};
    }
    void recus()
    {
        QFETCH(QStringList, actions);
        QFETCH(bool, prevenir);
        QFETCH(QStringList, notices);
        BusNotifications bus;
        ServeurDeTest s;
        BancApplication banc;
        qint64 ecart = 0; // seconds the application's clock runs ahead, a minute at each "+", once notified
        banc.env.plateforme().maintenant = [&] { return QDateTime::currentDateTimeUtc().addSecs(ecart); };
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        Transfert photos = transfertDepuisAPI(s.creer(corpsDe(u"photos0001"_s, {u"DATA/Clients/a.txt"_s})),
                                              {}, u"transfert"_s, QDateTime::currentDateTimeUtc());
        banc.env.preferences().ecrire(Preferences::cleApiBaseURL, s.origine());
        banc.env.preferences().ecrire(Preferences::cleApiKey, s.cle());
        banc.env.preferences().ecrire(Preferences::clePrevenirReceptions, prevenir);
        HistoryStore& historique = banc.app().historique();
        for (int i = 0; i < 12; ++i) {
            Transfert autre = photos;
            autre.token = u"autre%1"_s.arg(i, 5, 10, QChar(u'0'));
            historique.ajouter(autre);
        }
        photos.titre = u"Maquettes"_s;
        historique.ajouter(photos);
        banc.montrer();
        QTRY_VERIFY(banc.app().ecoute().fluxOuvert() && historique.stats().contains(photos.token));
        LigneHistorique* ligne = banc.contenu().historique().lignes().first();
        const QString statutAvant = ligne->ligneStatut();
        const qsizetype listes = s.journal().filter(u"GET /api/transferts "_s).size();

        for (const QString& action : actions) {
            ecart += action.startsWith(u'+') && QTest::qWaitFor([&] { return !bus.appels.empty(); }) ? 60 : 0;
            s.envoyer(action == u"vue" ? "POST" : "GET", u"/t/photos0001/"_s + action.section(u'+', -1),
                      {{"User-Agent", "Mozilla/5.0"}});
        }
        const auto compte = [&](const QString& quoi) { return qint64(actions.filter(quoi).size()); };
        QTRY_COMPARE(historique.stats().value(photos.token).nbVues, compte(u"vue"_s));
        QTRY_COMPARE(historique.stats().value(photos.token).nbTelechargements, compte(u"f/a.txt"_s));
        QVERIFY(ligne->ligneStatut() != statutAvant);
        const QString heure = QDateTime::fromSecsSinceEpoch(s.maintenant()).toString(u"HH:mm"_s);
        QTRY_COMPARE(bus.appels, notices.replaceInStrings(u"@h"_s, heure));
        QCOMPARE(s.journal().filter(u"GET /api/transferts "_s).size(), listes);
        if (notices.isEmpty()) {
            QVERIFY(!QTest::qWaitFor([&] { return !bus.appels.empty(); }, 300)); // none comes later either
            return;
        }
        banc.contenu().historique().findChild<QScrollArea*>(u"liste"_s)->verticalScrollBar()->setValue(99999);
        QTRY_VERIFY(ligne->visibleRegion().isEmpty());
        banc.fenetre().hide();
        QDBusConnection(u"service"_s)
            .send(QDBusMessage::createSignal(cheminNotifications, interfaceNotifications, u"ActionInvoked"_s)
                  << uint(notices.size()) << u"default"_s);
        QTRY_VERIFY(banc.fenetre().isVisible() && ligne->visibleRegion().boundingRect() == ligne->rect());
    }
};

VALTO_INSCRIRE_TESTS(TestReceptions)

#include "TestReceptions.moc"
