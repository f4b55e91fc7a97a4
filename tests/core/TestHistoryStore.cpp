#include "api/DepuisAPI.h"
#include "core/FichierHistorique.h"
#include "core/HistoryStore.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString dossierRelatif = u"donnees/Valto Transfer"_s;
const QString cheminRelatif = dossierRelatif + u"/historique.json"_s;

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

// What a new store, as at the next start, reads back from the file.
QList<Transfert> relu(EnvironnementTest& env)
{
    return HistoryStore(env.plateforme(), statsDuServeur(env.preferences())).transferts();
}

// The server's list answer: one entry per token, with that many views and downloads.
ReponseScriptee listeServeur(const QList<QPair<QString, int>>& entrees)
{
    QStringList objets;
    for (const auto& [token, vues] : entrees) {
        objets.append(u"{\"token\":\"%1\",\"titre\":\"T\",\"url\":\"u\",\"protege\":false,"
                      "\"cree_le\":\"2026-12-04T09:30:00Z\",\"nb_telechargements\":%2,\"nb_vues\":%2,"
                      "\"nb_fichiers\":1,\"octets\":1}"_s.arg(token)
                          .arg(vues));
    }
    return ReponseScriptee::json(200, u"{\"transferts\":[%1]}"_s.arg(objets.join(u',')).toUtf8());
}

QHash<QString, StatsTransfert> stats(const QList<QPair<QString, int>>& entrees)
{
    QHash<QString, StatsTransfert> resultat;
    for (const auto& [token, vues] : entrees) {
        resultat[token].nbVues = vues;
        resultat[token].nbTelechargements = vues;
    }
    return resultat;
}

// A store whose preferences point at the loopback server.
struct Banc {
    EnvironnementTest env;
    ServeurLocal serveur;
    std::unique_ptr<HistoryStore> store;

    Banc()
    {
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
        store = std::make_unique<HistoryStore>(env.plateforme(), statsDuServeur(env.preferences()));
    }
    void rafraichir() { QCoro::waitFor(store->rafraichir()); }
};

} // namespace

class TestHistoryStore final : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
            HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
            QVERIFY(store.transferts().isEmpty() && store.stats().isEmpty());
            QCOMPARE(store.cheminFichier(), env.chemin(cheminRelatif)); // its folder created on the way
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
        complet.expireLe = QDateTime(QDate(2026, 12, 11), QTime(9, 30), Qt::UTC);
        QCOMPARE(relu(env), (QList<Transfert>{complet, transfert(2)}));
    }

    // Readable files load as they are (no sorting, de-duplication or trimming); any bytes that do not
    // decode (the rows without entries) give an empty history, and the file survives under another name.
    void chargement_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QList<Transfert>>("attendus");
        const QByteArray base =
            R"({"token":"tok1","titre":"Transfert 1","url":"https://t.test/tok1","protege":false,)"
            R"("creeLe":"2026-12-04T09:30:01Z","nbFichiers":1)";
        const auto entree = [&](const char* suite) { return "[" + base + suite + "}]"; };
        const auto remplacer = [&](const char* avant, const char* apres) {
            return "[" + QByteArray(base).replace(avant, apres) + ",\"octets\":1000}]";
        };
        Transfert decale = transfert(1);
        decale.expireLe = QDateTime(QDate(2026, 12, 11), QTime(8, 30), Qt::UTC);
        QTest::newRow("nuls, clés inconnues")
            << entree(R"(,"octets":1000,"expireLe":null,"motDePasse":null,"type":null,"autre":{"a":[1]})")
            << QList<Transfert>{transfert(1)};
        QTest::newRow("décalage horaire")
            << entree(R"(,"octets":1000,"expireLe":"2026-12-11T09:30:00+01:00")") << QList<Transfert>{decale};
        QTest::newRow("102 doublons") << "[" + QByteArrayList(102, base + ",\"octets\":1000}").join(',') + "]"
                                      << QList<Transfert>(102, transfert(1));
        const auto illisible = [](const char* nom, const QByteArray& contenu) {
            QTest::newRow(nom) << contenu << QList<Transfert>();
        };
        illisible("tronqué", "[" + base);
        illisible("objet au premier niveau", base + ",\"octets\":1}");
        illisible("élément non objet", "[1]");
        illisible("octets absent", entree(""));
        illisible("octets fractionnaire", entree(",\"octets\":1.5"));
        illisible("octets au-delà de 64 bits", entree(",\"octets\":18446744073709551616"));
        illisible("nombre démesuré", entree(",\"octets\":1e400"));
        illisible("expiration illisible", entree(R"(,"octets":1,"expireLe":"demain")"));
        illisible("type nombre", entree(R"(,"octets":1,"type":2)"));
        illisible("protege texte", remplacer("false", "\"false\""));
        illisible("token nul", remplacer("\"tok1\"", "null"));
        illisible("UTF-8 invalide", remplacer("Transfert 1", "T\xff\xfe"));
        illisible("imbrication profonde", QByteArray(100000, '[') + QByteArray(100000, ']'));
    }
    void chargement()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QList<Transfert>, attendus);
        const bool illisible = attendus.isEmpty();
        EnvironnementTest env;
        const QString chemin = env.creerFichier(cheminRelatif, contenu);
        HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
        QCOMPARE(store.transferts(), attendus);
        QCOMPARE(lire(chemin), contenu);
        store.ajouter(transfert(7));
        QCOMPARE(lire(chemin + u".illisible"_s), illisible ? contenu : QByteArray());
        QCOMPARE(relu(env), store.transferts());
        // Set aside once: later saves just write.
        store.ajouter(transfert(8));
        QCOMPARE(QDir(env.chemin(dossierRelatif)).entryList(QDir::Files).size(), illisible ? 2 : 1);
    }

    void fichierEcarteSansEcraser()
    {
        EnvironnementTest env;
        const QString chemin = env.creerFichier(cheminRelatif, "ancien");
        env.creerFichier(cheminRelatif + u".illisible"_s, "premier");
        env.creerFichier(cheminRelatif + u".illisible-2"_s, "deuxième");
        HistoryStore(env.plateforme(), statsDuServeur(env.preferences())).supprimer(u"rien"_s);
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
        env.creerFichier(cheminRelatif, encoderHistorique(cent));
        HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
        store.ajouter(transfert(101));
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(101)} + cent.first(99));
        QCOMPARE(relu(env), store.transferts());
    }

    // Only the first entry with that token changes; an unknown token changes and writes nothing.
    void mettreAJour()
    {
        EnvironnementTest env;
        HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
        store.ajouter(transfert(1));
        store.ajouter(transfert(2));
        store.ajouter(transfert(1));
        const QDateTime fin(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC);
        store.mettreAJour(u"tok1"_s, u"Renommé"_s, fin);
        Transfert renomme = transfert(1);
        renomme.titre = u"Renommé"_s;
        renomme.expireLe = fin;
        const QList<Transfert> attendus{renomme, transfert(2), transfert(1)};
        QCOMPARE(store.transferts(), attendus);
        QCOMPARE(relu(env), attendus);

        QVERIFY(QFile::remove(store.cheminFichier()));
        QSignalSpy changement(&store, &HistoryStore::transfertsChanged);
        store.mettreAJour(u"TOK1"_s, u"x"_s, std::nullopt);
        QCOMPARE(changement.size(), 0);
        QVERIFY(!QFile::exists(store.cheminFichier()));
    }

    // Every entry with the token goes; the file is rewritten compact even when nothing was removed.
    void supprimer()
    {
        EnvironnementTest env;
        QList<Transfert> liste{transfert(1), transfert(2), transfert(1)};
        const QByteArray compact = encoderHistorique(liste);
        const QString chemin =
            env.creerFichier(cheminRelatif, QJsonDocument::fromJson(compact).toJson(QJsonDocument::Indented));
        HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
        QSignalSpy changement(&store, &HistoryStore::transfertsChanged);
        store.supprimer(u"absent"_s);
        QCOMPARE(changement.size(), 0);
        QCOMPARE(lire(chemin), compact);
        store.supprimer(u"tok1"_s);
        QCOMPARE(store.transferts(), QList<Transfert>{transfert(2)});
        QCOMPARE(relu(env), QList<Transfert>{transfert(2)});
    }

    // A save that cannot happen leaves the list in memory, the file as it was, and says nothing.
    void enregistrementImpossible()
    {
        EnvironnementTest env;
        HistoryStore store(env.plateforme(), statsDuServeur(env.preferences()));
        store.ajouter(transfert(1));
        // Past the year 9999 once in UTC: that entry's date is held at the last writable second, and
        // neither it nor the later entries are lost.
        Transfert lointain = transfert(2);
        lointain.expireLe = QDateTime(QDate(9999, 12, 31), QTime(23, 30), Qt::OffsetFromUTC, -3600);
        store.ajouter(lointain);
        store.ajouter(transfert(3));
        lointain.expireLe = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
        QCOMPARE(relu(env), (QList<Transfert>{transfert(3), lointain, transfert(1)}));

        EnvironnementTest bloque;
        bloque.creerFichier(dossierRelatif, "un fichier à la place du dossier");
        HistoryStore sansDossier(bloque.plateforme(), statsDuServeur(bloque.preferences()));
        sansDossier.ajouter(transfert(1));
        QCOMPARE(sansDossier.transferts(), QList<Transfert>{transfert(1)});
        QCOMPARE(lire(bloque.chemin(dossierRelatif)), "un fichier à la place du dossier");
    }

    // The server's figures replace the previous ones whole (a token listed twice keeps its last entry);
    // a failure, whatever its cause, keeps them.
    void rafraichir()
    {
        Banc banc;
        banc.store->ajouter(transfert(1));
        const auto liste = listeServeur({{u"tok1"_s, 2}, {u"ailleurs"_s, 4}, {u"tok1"_s, 3}});
        const auto figures = stats({{u"tok1"_s, 3}, {u"ailleurs"_s, 4}});
        banc.serveur.repondre("GET", "/api/transferts", liste);
        banc.serveur.repondre("GET", "/api/transferts", liste);
        banc.serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(500, R"({"detail":"panne"})"));
        banc.serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(200, R"({"transferts":[{}]})"));
        banc.serveur.repondre("GET", "/api/transferts", listeServeur({}));
        QSignalSpy changement(banc.store.get(), &HistoryStore::statsChanged);
        banc.rafraichir();
        QCOMPARE(banc.store->stats(), figures);
        QCOMPARE(banc.serveur.requetes().first().entete("x-api-key"), "k");
        banc.rafraichir(); // the same figures again notify nobody
        banc.rafraichir(); // error status
        banc.rafraichir(); // undecodable list
        banc.env.preferences().ecrire(Preferences::cleApiKey, QString());
        banc.rafraichir(); // no key: nothing is sent
        QCOMPARE(banc.serveur.nombreDeRequetes(), 4);
        QCOMPARE(banc.store->stats(), figures);
        QCOMPARE(changement.size(), 1);
        banc.env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
        banc.rafraichir();
        QVERIFY(banc.store->stats().isEmpty());
        QCOMPARE(banc.store->transferts(), QList<Transfert>{transfert(1)});
    }

    // Two refreshes in flight: the one that finishes last decides. The store may be gone by then.
    void rafraichissementsChevauches()
    {
        Banc banc;
        ReponseScriptee lente = listeServeur({{u"lent"_s, 1}});
        lente.delaiMs = 300;
        banc.serveur.repondre("GET", "/api/transferts", lente);
        banc.serveur.repondre("GET", "/api/transferts", listeServeur({{u"rapide"_s, 2}}));
        banc.serveur.repondre("GET", "/api/transferts", lente);
        QCoro::Task<> premier = banc.store->rafraichir();
        QVERIFY(banc.serveur.attendreRequetes(1));
        banc.rafraichir();
        QCOMPARE(banc.store->stats(), stats({{u"rapide"_s, 2}}));
        QCoro::waitFor(std::move(premier));
        QCOMPARE(banc.store->stats(), stats({{u"lent"_s, 1}}));
        QCoro::Task<> orphelin = banc.store->rafraichir();
        banc.store.reset();
        QCoro::waitFor(std::move(orphelin));
    }
};

VALTO_INSCRIRE_TESTS(TestHistoryStore)
#include "TestHistoryStore.moc"
