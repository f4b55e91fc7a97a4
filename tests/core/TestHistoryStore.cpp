#include "EnvironnementTest.h"
#include "ExecuterTests.h"
#include "ServeurLocal.h"
#include "core/FichierHistorique.h"
#include "core/HistoryStore.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString cheminRelatif = u"donnees/Valto Transfer/historique.json"_s;

Transfert transfert(int n)
{
    Transfert t;
    t.token = u"tok%1"_s.arg(n);
    t.titre = u"Transfert %1"_s.arg(n);
    t.url = u"https://t.test/tok%1"_s.arg(n);
    t.creeLe = QDateTime(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC).addSecs(n);
    t.nbFichiers = n;
    t.octets = 1000 * n;
    return t;
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

QByteArray entreeServeur(const QString& token, int vues)
{
    return u"{\"token\":\"%1\",\"titre\":\"T\",\"url\":\"u\",\"protege\":false,\"cree_le\":\"2026-12-04T09:"
           u"30:00Z\","
           "\"nb_telechargements\":%2,\"nb_vues\":%2,\"nb_fichiers\":1,\"octets\":1}"_s.arg(token)
               .arg(vues)
               .toUtf8();
}

QByteArray listeServeur(const QList<QByteArray>& entrees)
{
    return "{\"transferts\":[" + entrees.join(',') + "]}";
}

StatsTransfert statsVues(int vues)
{
    StatsTransfert stats;
    stats.nbVues = vues;
    stats.nbTelechargements = vues;
    return stats;
}

// A store whose preferences point at the loopback server.
struct Banc {
    EnvironnementTest env;
    ServeurLocal serveur;

    Banc()
    {
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
    }
};

} // namespace

class TestHistoryStore final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void premierDemarrage()
    {
        EnvironnementTest env;
        HistoryStore store(env.preferences(), env.plateforme());
        QVERIFY(store.transferts().isEmpty());
        QVERIFY(store.stats().isEmpty());
        QVERIFY(QFileInfo(env.chemin(u"donnees/Valto Transfer"_s)).isDir());
        QCOMPARE(store.cheminFichier(), env.chemin(cheminRelatif));
    }

    void formatDuFichier()
    {
        EnvironnementTest env;
        Transfert complet = transfert(1);
        complet.titre = u"Été « 2026 »\n"_s;
        complet.protege = true;
        complet.expireLe = QDateTime(QDate(2026, 12, 11), QTime(10, 30, 0, 750), Qt::OffsetFromUTC, 3600);
        complet.octets = Q_INT64_C(9007199254740993);
        complet.motDePasse = u"s3cret"_s;
        complet.type = u"compare"_s;
        {
            HistoryStore store(env.preferences(), env.plateforme());
            store.ajouter(transfert(2));
            store.ajouter(complet);
        }
        QCOMPARE(
            lire(env.chemin(cheminRelatif)),
            QByteArray(
                "[{\"creeLe\":\"2026-12-04T09:30:01Z\",\"expireLe\":\"2026-12-11T09:30:00Z\","
                "\"motDePasse\":\"s3cret\",\"nbFichiers\":1,\"octets\":9007199254740993,\"protege\":true,"
                "\"titre\":\"Été « 2026 »\\n\",\"token\":\"tok1\",\"type\":\"compare\","
                "\"url\":\"https://t.test/tok1\"},"
                "{\"creeLe\":\"2026-12-04T09:30:02Z\",\"nbFichiers\":2,\"octets\":2000,\"protege\":false,"
                "\"titre\":\"Transfert 2\",\"token\":\"tok2\",\"url\":\"https://t.test/tok2\"}]"));
        HistoryStore relu(env.preferences(), env.plateforme());
        complet.expireLe = QDateTime(QDate(2026, 12, 11), QTime(9, 30), Qt::UTC);
        QCOMPARE(relu.transferts(), (QList<Transfert>{complet, transfert(2)}));
    }

    void fichierLisible_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QList<Transfert>>("attendus");
        const QByteArray base =
            R"("token":"tok1","titre":"Transfert 1","url":"https://t.test/tok1","protege":false,)"
            R"("creeLe":"2026-12-04T09:30:01Z","nbFichiers":1,"octets":1000)";
        QTest::newRow("vide") << QByteArray("[]") << QList<Transfert>{};
        QTest::newRow("options nulles") << "[{" + base + R"(,"expireLe":null,"motDePasse":null,"type":null}])"
                                        << QList<Transfert>{transfert(1)};
        QTest::newRow("clés inconnues")
            << "[{" + base + R"(,"inconnue":{"a":[1,2]}}])" << QList<Transfert>{transfert(1)};
        Transfert decale = transfert(1);
        decale.expireLe = QDateTime(QDate(2026, 12, 11), QTime(8, 30), Qt::UTC);
        QTest::newRow("décalage horaire")
            << "[{" + base + R"(,"expireLe":"2026-12-11T09:30:00+01:00"}])" << QList<Transfert>{decale};
        // File order is kept as is: no sorting, de-duplication or trimming.
        QList<Transfert> doublons;
        QByteArray tableau = "[";
        for (int i = 0; i < 102; ++i) {
            tableau += (i ? ",{" : "{") + base + "}";
            doublons.append(transfert(1));
        }
        QTest::newRow("102 doublons") << tableau + "]" << doublons;
    }
    void fichierLisible()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QList<Transfert>, attendus);
        EnvironnementTest env;
        env.creerFichier(cheminRelatif, contenu);
        HistoryStore store(env.preferences(), env.plateforme());
        QCOMPARE(store.transferts(), attendus);
    }

    // Any bytes that do not decode: empty history, and the file survives under another name.
    void fichierHostile_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        const QByteArray base = R"("token":"tok1","titre":"T","url":"u","protege":false,)"
                                R"("creeLe":"2026-12-04T09:30:01Z","nbFichiers":1)";
        QTest::newRow("vide") << QByteArray();
        QTest::newRow("tronqué") << "[{" + base;
        QTest::newRow("objet au premier niveau") << "{" + base + ",\"octets\":1}";
        QTest::newRow("élément non objet") << QByteArray("[1]");
        QTest::newRow("octets absent") << "[{" + base + "}]";
        QTest::newRow("octets fractionnaire") << "[{" + base + ",\"octets\":1.5}]";
        QTest::newRow("octets au-delà de 64 bits") << "[{" + base + ",\"octets\":18446744073709551616}]";
        QTest::newRow("nombre démesuré") << "[{" + base + ",\"octets\":1e400}]";
        QTest::newRow("protege texte")
            << "[{" + QByteArray(base).replace("false", "\"false\"") + ",\"octets\":1}]";
        QTest::newRow("token nul") << "[{" + QByteArray(base).replace("\"tok1\"", "null") + ",\"octets\":1}]";
        QTest::newRow("date fractionnaire")
            << "[{" + QByteArray(base).replace("09:30:01Z", "09:30:01.5Z") + ",\"octets\":1}]";
        QTest::newRow("expiration illisible") << "[{" + base + R"(,"octets":1,"expireLe":"demain"}])";
        QTest::newRow("type nombre") << "[{" + base + R"(,"octets":1,"type":2}])";
        QTest::newRow("UTF-8 invalide")
            << "[{" + QByteArray(base).replace("\"T\"", "\"T\xff\xfe\"") + ",\"octets\":1}]";
        QTest::newRow("imbrication profonde") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::newRow("octets nuls") << QByteArray(64, '\0');
    }
    void fichierHostile()
    {
        QFETCH(QByteArray, contenu);
        EnvironnementTest env;
        const QString chemin = env.creerFichier(cheminRelatif, contenu);
        HistoryStore store(env.preferences(), env.plateforme());
        QVERIFY(store.transferts().isEmpty());
        QCOMPARE(lire(chemin), contenu);

        store.ajouter(transfert(7));
        QCOMPARE(lire(chemin + u".illisible"_s), contenu);
        QCOMPARE(HistoryStore(env.preferences(), env.plateforme()).transferts(),
                 QList<Transfert>{transfert(7)});
        // Set aside once: later saves just write.
        store.ajouter(transfert(8));
        QCOMPARE(QDir(env.chemin(u"donnees/Valto Transfer"_s)).entryList(QDir::Files),
                 (QStringList{u"historique.json"_s, u"historique.json.illisible"_s}));
    }

    void fichierEcarteSansEcraser()
    {
        EnvironnementTest env;
        const QString chemin = env.creerFichier(cheminRelatif, "ancien");
        env.creerFichier(cheminRelatif + u".illisible"_s, "premier");
        env.creerFichier(cheminRelatif + u".illisible-2"_s, "deuxième");
        HistoryStore(env.preferences(), env.plateforme()).supprimer(u"rien"_s);
        QCOMPARE(lire(chemin + u".illisible"_s), "premier");
        QCOMPARE(lire(chemin + u".illisible-2"_s), "deuxième");
        QCOMPARE(lire(chemin + u".illisible-3"_s), "ancien");
        QCOMPARE(lire(chemin), "[]");
    }

    void centUnieme()
    {
        EnvironnementTest env;
        QList<Transfert> cent;
        for (int n = 100; n >= 1; --n) {
            cent.append(transfert(n));
        }
        env.creerFichier(cheminRelatif, *encoderHistorique(cent));
        HistoryStore store(env.preferences(), env.plateforme());
        QCOMPARE(store.transferts(), cent);
        QSignalSpy changement(&store, &HistoryStore::transfertsChanged);
        store.ajouter(transfert(101));
        QCOMPARE(changement.size(), 1);
        const QList<Transfert> relus = HistoryStore(env.preferences(), env.plateforme()).transferts();
        QCOMPARE(relus.size(), 100);
        QCOMPARE(relus.first(), transfert(101));
        QCOMPARE(relus.last(), transfert(2));
        QCOMPARE(store.transferts(), relus);
    }

    void mettreAJour()
    {
        EnvironnementTest env;
        HistoryStore store(env.preferences(), env.plateforme());
        Transfert ancien = transfert(1);
        ancien.expireLe = QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC);
        store.ajouter(ancien);
        store.ajouter(transfert(2));
        store.ajouter(ancien);
        store.mettreAJour(u"tok1"_s, u"Renommé"_s, std::nullopt);
        Transfert renomme = ancien;
        renomme.titre = u"Renommé"_s;
        renomme.expireLe.reset();
        const QList<Transfert> attendus{renomme, transfert(2), ancien};
        QCOMPARE(store.transferts(), attendus);
        QCOMPARE(HistoryStore(env.preferences(), env.plateforme()).transferts(), attendus);
    }

    void mettreAJourInconnuNEcritRien()
    {
        EnvironnementTest env;
        HistoryStore store(env.preferences(), env.plateforme());
        store.ajouter(transfert(1));
        const QString chemin = store.cheminFichier();
        const QByteArray avant = lire(chemin);
        const QDateTime autrefois(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
        {
            QFile fichier(chemin);
            QVERIFY(fichier.open(QIODevice::ReadWrite));
            QVERIFY(fichier.setFileTime(autrefois, QFileDevice::FileModificationTime));
        }
        QSignalSpy changement(&store, &HistoryStore::transfertsChanged);
        store.mettreAJour(u"TOK1"_s, u"x"_s, std::nullopt);
        QCOMPARE(changement.size(), 0);
        QCOMPARE(lire(chemin), avant);
        QCOMPARE(QFileInfo(chemin).lastModified().toUTC(), autrefois);
    }

    void supprimer()
    {
        EnvironnementTest env;
        HistoryStore store(env.preferences(), env.plateforme());
        store.ajouter(transfert(1));
        store.ajouter(transfert(2));
        store.ajouter(transfert(1));
        store.supprimer(u"tok1"_s);
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(2)});
        QCOMPARE(HistoryStore(env.preferences(), env.plateforme()).transferts(),
                 QList<Transfert>{transfert(2)});
    }

    // Even with nothing removed, the file is written again (compact, whatever its earlier layout).
    void supprimerInconnuReecrit()
    {
        EnvironnementTest env;
        const QByteArray compact = "[{\"creeLe\":\"2026-12-04T09:30:01Z\",\"nbFichiers\":1,\"octets\":1000,"
                                   "\"protege\":false,\"titre\":\"Transfert 1\",\"token\":\"tok1\","
                                   "\"url\":\"https://t.test/tok1\"}]";
        const QString chemin =
            env.creerFichier(cheminRelatif, QJsonDocument::fromJson(compact).toJson(QJsonDocument::Indented));
        HistoryStore store(env.preferences(), env.plateforme());
        QSignalSpy changement(&store, &HistoryStore::transfertsChanged);
        store.supprimer(u"absent"_s);
        QCOMPARE(changement.size(), 0);
        QCOMPARE(lire(chemin), compact);
    }

    // A save that cannot write leaves the list in memory and says nothing.
    void ecritureImpossible()
    {
        EnvironnementTest env;
        env.creerFichier(u"donnees/Valto Transfer"_s, "un fichier à la place du dossier");
        HistoryStore store(env.preferences(), env.plateforme());
        store.ajouter(transfert(1));
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(1)});
        QCOMPARE(lire(env.chemin(u"donnees/Valto Transfer"_s)), "un fichier à la place du dossier");
    }

    // A date that would not read back must not make the whole file unreadable.
    void dateNonRelisibleNEcritPas()
    {
        EnvironnementTest env;
        HistoryStore store(env.preferences(), env.plateforme());
        store.ajouter(transfert(1));
        const QByteArray avant = lire(store.cheminFichier());
        Transfert lointain = transfert(2);
        lointain.expireLe = QDateTime(QDate(9999, 12, 31), QTime(23, 30), Qt::OffsetFromUTC, -3600);
        store.ajouter(lointain);
        QCOMPARE(store.transferts().size(), 2);
        QCOMPARE(lire(store.cheminFichier()), avant);
    }

    void rafraichir()
    {
        Banc banc;
        HistoryStore store(banc.env.preferences(), banc.env.plateforme());
        store.ajouter(transfert(1));
        QSignalSpy changement(&store, &HistoryStore::statsChanged);
        banc.serveur.repondre("GET", "/api/transferts",
                              ReponseScriptee::json(200, listeServeur({entreeServeur(u"tok1"_s, 3),
                                                                       entreeServeur(u"ailleurs"_s, 4)})));
        QCoro::waitFor(store.rafraichir());
        const QHash<QString, StatsTransfert> attendues{{u"tok1"_s, statsVues(3)},
                                                       {u"ailleurs"_s, statsVues(4)}};
        QCOMPARE(store.stats(), attendues);
        QCOMPARE(changement.size(), 1);
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(1)});
        const RequeteRecue requete = banc.serveur.requetes().first();
        QCOMPARE(requete.entete("x-api-key"), "k");

        // The same figures again notify nobody.
        QCoro::waitFor(store.rafraichir());
        QCOMPARE(changement.size(), 1);
    }

    void rafraichirEchoue_data()
    {
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<int>("statut");
        QTest::addColumn<bool>("sansCle");
        QTest::newRow("erreur du serveur") << QByteArray(R"({"detail":"panne"})") << 500 << false;
        QTest::newRow("réponse illisible") << QByteArray(R"({"transferts":[{}]})") << 200 << false;
        QTest::newRow("clé manquante") << listeServeur({}) << 200 << true;
    }
    void rafraichirEchoue()
    {
        QFETCH(QByteArray, corps);
        QFETCH(int, statut);
        QFETCH(bool, sansCle);
        Banc banc;
        HistoryStore store(banc.env.preferences(), banc.env.plateforme());
        banc.serveur.repondre("GET", "/api/transferts",
                              ReponseScriptee::json(200, listeServeur({entreeServeur(u"tok1"_s, 3)})));
        banc.serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(statut, corps));
        QCoro::waitFor(store.rafraichir());
        const QHash<QString, StatsTransfert> precedentes{{u"tok1"_s, statsVues(3)}};
        QCOMPARE(store.stats(), precedentes);
        if (sansCle) {
            banc.env.preferences().ecrire(Preferences::cleApiKey, QString());
        }
        QSignalSpy changement(&store, &HistoryStore::statsChanged);
        QCoro::waitFor(store.rafraichir());
        QCOMPARE(store.stats(), precedentes);
        QCOMPARE(changement.size(), 0);
    }

    void rafraichirListeVide()
    {
        Banc banc;
        HistoryStore store(banc.env.preferences(), banc.env.plateforme());
        store.ajouter(transfert(1));
        banc.serveur.repondre("GET", "/api/transferts",
                              ReponseScriptee::json(200, listeServeur({entreeServeur(u"tok1"_s, 3)})));
        banc.serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(200, listeServeur({})));
        QCoro::waitFor(store.rafraichir());
        QCOMPARE(store.stats().size(), 1);
        QCoro::waitFor(store.rafraichir());
        QVERIFY(store.stats().isEmpty());
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(1)});
    }

    void rafraichirTokenEnDouble()
    {
        Banc banc;
        HistoryStore store(banc.env.preferences(), banc.env.plateforme());
        banc.serveur.repondre("GET", "/api/transferts",
                              ReponseScriptee::json(200, listeServeur({entreeServeur(u"tok1"_s, 3),
                                                                       entreeServeur(u"tok1"_s, 5)})));
        QCoro::waitFor(store.rafraichir());
        QCOMPARE(store.stats(), (QHash<QString, StatsTransfert>{{u"tok1"_s, statsVues(5)}}));
    }

    // Two refreshes in flight: the one that finishes last decides.
    void rafraichissementsChevauches()
    {
        Banc banc;
        HistoryStore store(banc.env.preferences(), banc.env.plateforme());
        ReponseScriptee lente = ReponseScriptee::json(200, listeServeur({entreeServeur(u"lent"_s, 1)}));
        lente.delaiMs = 300;
        banc.serveur.repondre("GET", "/api/transferts", lente);
        banc.serveur.repondre("GET", "/api/transferts",
                              ReponseScriptee::json(200, listeServeur({entreeServeur(u"rapide"_s, 2)})));
        QCoro::Task<> premier = store.rafraichir();
        QVERIFY(banc.serveur.attendreRequetes(1));
        QCoro::Task<> second = store.rafraichir();
        QCoro::waitFor(std::move(second));
        QCOMPARE(store.stats(), (QHash<QString, StatsTransfert>{{u"rapide"_s, statsVues(2)}}));
        QCoro::waitFor(std::move(premier));
        QCOMPARE(store.stats(), (QHash<QString, StatsTransfert>{{u"lent"_s, statsVues(1)}}));
    }

    // The store may be gone when the answer arrives.
    void storeDetruitPendantRafraichissement()
    {
        Banc banc;
        auto store = std::make_unique<HistoryStore>(banc.env.preferences(), banc.env.plateforme());
        ReponseScriptee lente = ReponseScriptee::json(200, listeServeur({entreeServeur(u"tok1"_s, 1)}));
        lente.delaiMs = 100;
        banc.serveur.repondre("GET", "/api/transferts", lente);
        QCoro::Task<> tache = store->rafraichir();
        store.reset();
        QCoro::waitFor(std::move(tache));
    }
};

VALTO_INSCRIRE_TESTS(TestHistoryStore)
#include "TestHistoryStore.moc"
