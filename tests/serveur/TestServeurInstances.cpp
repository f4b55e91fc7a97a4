#include "PostgreSQLDeTest.h"
#include "ProxyDeTest.h"
#include "ServeurDeTest.h"
#include "serveur/stockage/OuvertureStockage.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Several instances of one studio sharing PostgreSQL, side by side and behind nginx.
class TestServeurInstances final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commeUnSeulServeur()
    {
        ServeurDeTest a([](serveur::Configuration& c) { c.proxyDeConfiance = "127.0.0.1"; },
                        Moteur::postgresql);
        ServeurDeTest b(a);
        a.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        a.creer(corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s));
        // Guesses spread over both are slowed down as one stream.
        QVERIFY(a.ouvrir(u"protege001"_s, "x").statut == 401 && b.ouvrir(u"protege001"_s, "x").statut == 429);
        a.avancer(1);
        const QByteArray cookie = cookieDe(a.ouvrir(u"protege001"_s, "juste"));
        // A download through B reaches the applications listening to either, once.
        Ecouteur surA(a), surB(b);
        QCOMPARE(b.envoyer("GET", u"/t/protege001/f/a.txt"_s, {{"Cookie", cookie}}).corps, "bonjour");
        QTRY_COMPARE(surA.evenements(u"protege001"_s).size(), 1);
        QTRY_COMPARE(surB.evenements(u"protege001"_s).size(), 1);
        // One view per visitor and minute, whichever instance served the page: the minute runs from A's view.
        const auto vues = [&](ServeurDeTest& s, qint64 attente) {
            a.avancer(attente);
            s.envoyer("POST", u"/t/protege001/vue"_s, {{"Cookie", cookie}, {"User-Agent", navigateur}});
            return a.transferts().first().nbVues.value_or(-1);
        };
        QCOMPARE(QList<qint64>({vues(a, 0), vues(b, 30), vues(b, 31)}), QList<qint64>({1, 1, 2}));

        // Spread by nginx, no download goes uncounted.
        const ProxyDeTest proxy({a.port(), b.port()});
        const QString origine = u"http://127.0.0.1:%1"_s.arg(proxy.port());
        const auto telechargement = requeteBrute("GET /t/protege001/f/a.txt", "Cookie: " + cookie + "\r\n");
        QCOMPARE(envoyerEnParallele(origine, QList<QByteArray>(200, telechargement)), QList<int>(200, 200));
        QTRY_COMPARE(b.transferts().first().nbTelechargements, 201);
        // A restart of PostgreSQL ends every connection in both pools: each instance opens new ones. A write
        // meeting a lost one is reported, not run again: it may have been done before the loss. PostgreSQL's
        // text is logged without its final line break.
        PostgreSQLDeTest::couperConnexions();
        QCOMPARE(b.envoyer("DELETE", u"/api/transferts/inconnu000"_s, b.entetesAPI()).statut, 503);
        QVERIFY(!b.journal().filter(u"erreur suppression de inconnu000"_s).first().endsWith(u'?'));
        QVERIFY(QCoro::waitFor(a.api().listerTransferts()).has_value());
        QCOMPARE(envoyerEnParallele(origine, QList<QByteArray>(2, telechargement)), QList<int>(2, 200));
        QTRY_COMPARE(b.transferts().first().nbTelechargements, 203);
        // Every copy of one creation gets the link, and one record is made.
        const QByteArray meme =
            requeteBrute("POST /api/transferts",
                         "X-Api-Key: " + a.cle().toUtf8() + "\r\nContent-Type: application/json\r\n",
                         corpsDe(u"unique0001"_s, {u"DATA/Clients/a.txt"_s}).versJSON());
        QCOMPARE(envoyerEnParallele(origine, QList<QByteArray>(50, meme)), QList<int>(50, 201));
        QCOMPARE(a.transferts().size(), 2);
    }

    void migrationDepuisSQLite()
    {
        ServeurDeTest a;
        a.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        const CorpsCreation protege = corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s);
        a.creer(protege);
        a.creer(corpsDe(u"ouvert0001"_s, {u"DATA/Clients/a.txt"_s}));
        a.envoyer("GET", u"/t/ouvert0001"_s, {{"User-Agent", navigateur}});
        a.envoyer("GET", u"/t/ouvert0001/f/a.txt"_s);
        QTRY_COMPARE(a.transferts().first().nbTelechargements, 1);
        const QByteArray cookie = cookieDe(a.ouvrir(u"protege001"_s, "juste"));

        serveur::Configuration c = a.configuration();
        PostgreSQLDeTest::configurer(c);
        QCOMPARE(serveur::migrerVersPostgreSQL(c, c.base).value_or(0), std::size_t{2});
        // Never into a database already serving transfers: two studios would mix.
        ServeurDeTest autre(nullptr, Moteur::postgresql);
        autre.creerSurNAS(u"DATA/Clients/a.txt"_s, "autre");
        autre.creer(corpsDe(u"autre00001"_s, {u"DATA/Clients/a.txt"_s}));
        QVERIFY(!serveur::migrerVersPostgreSQL(c, autre.configuration().base));
        ServeurDeTest b(a, [&](serveur::Configuration& d) {
            d.base = c.base, d.fichierMotDePasseBase = c.fichierMotDePasseBase;
        });
        const auto liste = [](ServeurDeTest& s) {
            return s.envoyer("GET", u"/api/transferts"_s, s.entetesAPI())
                .corps.replace(s.origine().toUtf8(), "@");
        };
        QCOMPARE(liste(b), liste(a));
        // Cookies and retries signed before the move still hold.
        QCOMPARE(b.envoyer("GET", u"/t/protege001"_s, {{"Cookie", cookie}}).statut, 200);
        QCOMPARE(b.envoyer("POST", u"/api/transferts"_s, b.entetesAPI(), protege.versJSON()).statut, 201);
    }
};

VALTO_INSCRIRE_TESTS(TestServeurInstances)

#include "TestServeurInstances.moc"
