#include "core/FichierHistorique.h"
#include "core/HistoryStore.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QCoro/QCoroTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString cheminRelatif = u"donnees/Valto Transfer/historique.json"_s;
using Stats = QHash<QString, StatsTransfert>;

Transfert transfert(int n)
{
    const QString token = u"tok%1"_s.arg(n);
    return Transfert(token, u"Transfert %1"_s.arg(n), u"https://t.test/"_s + token, false,
                     QDateTime(QDate(2026, 12, 4), QTime(9, 30, n), Qt::UTC), std::nullopt, n, 1000 * n,
                     std::nullopt, std::nullopt);
}

// Answers `stats` (nothing: a failed request) after `delaiMs`.
QCoro::Task<std::optional<Stats>> statsApres(int delaiMs, std::optional<Stats> stats)
{
    QCoro::Task<> attente = QCoro::sleepFor(std::chrono::milliseconds(delaiMs));
    co_await attente;
    co_return stats;
}

// A store whose statistics source plays `reponses` in turn.
struct Banc {
    EnvironnementTest env;
    QList<std::pair<int, std::optional<Stats>>> reponses;
    std::unique_ptr<HistoryStore> store = nouveau();

    std::unique_ptr<HistoryStore> nouveau()
    {
        return std::make_unique<HistoryStore>(env.plateforme(), [this] {
            const auto [delai, stats] = reponses.takeFirst();
            return statsApres(delai, stats);
        });
    }
    // What a new store, as at the next start, reads back from the file.
    QList<Transfert> relu() { return nouveau()->transferts(); }
    QString fichier() const { return env.chemin(cheminRelatif); }
};

Stats vues(const QString& token, qint64 nombre)
{
    StatsTransfert stats;
    stats.nbVues = nombre;
    return {{token, stats}};
}

} // namespace

class TestHistoryStore final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatDuFichier()
    {
        Banc banc;
        Transfert complet = transfert(1);
        complet.titre = u"Été « 2026 »\n"_s;
        complet.protege = true;
        complet.expireLe = QDateTime(QDate(2026, 12, 11), QTime(10, 30, 0, 750), Qt::OffsetFromUTC, 3600);
        complet.octets = Q_INT64_C(9007199254740993);
        complet.motDePasse = u"s3cret"_s;
        complet.type = u"compare"_s;
        banc.store->ajouter(transfert(2));
        banc.store->ajouter(complet);
        QCOMPARE(lireFichier(banc.fichier()),
                 "[{\"creeLe\":\"2026-12-04T09:30:01Z\",\"expireLe\":\"2026-12-11T09:30:00Z\","
                 "\"motDePasse\":\"s3cret\",\"nbFichiers\":1,\"octets\":9007199254740993,\"protege\":true,"
                 "\"titre\":\"Été « 2026 »\\n\",\"token\":\"tok1\",\"type\":\"compare\","
                 "\"url\":\"https://t.test/tok1\"},"
                 "{\"creeLe\":\"2026-12-04T09:30:02Z\",\"nbFichiers\":2,\"octets\":2000,\"protege\":false,"
                 "\"titre\":\"Transfert 2\",\"token\":\"tok2\",\"url\":\"https://t.test/tok2\"}]");
        complet.expireLe = QDateTime(QDate(2026, 12, 11), QTime(9, 30), Qt::UTC);
        QCOMPARE(banc.relu(), (QList<Transfert>{complet, transfert(2)}));
        // Passwords at rest: the file and the folder made for it are their owner's alone.
        const auto proprietaire = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions(banc.fichier()), proprietaire);
        QCOMPARE(QFile::permissions(QFileInfo(banc.fichier()).path()),
                 proprietaire | QFile::ExeOwner | QFile::ExeUser);
    }

    // A readable file loads as it is (no de-duplication or trimming; the next addition trims to 100); one
    // that does not decode gives an empty history and is set aside, under a name that replaces no earlier
    // one, before the first save.
    void chargement_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QList<Transfert>>("attendus"); // empty: unreadable
        const QByteArray base = R"({"token":"tok1","titre":"Transfert 1","url":"https://t.test/tok1",)"
                                R"("protege":false,"creeLe":"2026-12-04T09:30:01Z","nbFichiers":1)";
        const auto entree = [&](const char* suite) { return "[" + base + suite + "}]"; };
        QTest::newRow("nuls, clés inconnues")
            << entree(R"(,"octets":1000,"expireLe":null,"motDePasse":null,"type":null,"autre":[1])")
            << QList<Transfert>{transfert(1)};
        QTest::newRow("100 doublons, le 101e ajouté")
            << "[" + QByteArrayList(100, base + ",\"octets\":1000}").join(',') + "]"
            << QList<Transfert>(100, transfert(1));
        QTest::newRow("tronqué") << "[" + base << QList<Transfert>();
        QTest::newRow("expiration illisible")
            << entree(R"(,"octets":1,"expireLe":"2026-12-11T09:30:00.5Z")") << QList<Transfert>();
        QTest::newRow("type nombre") << entree(R"(,"octets":1,"type":2)") << QList<Transfert>();
        QTest::newRow("octets fractionnaire") << entree(R"(,"octets":1.5)") << QList<Transfert>();
    }

    // A FIFO in the history's place is never read: it would hang the start-up.
    void fifo()
    {
        Banc banc;
        QDir().mkpath(QFileInfo(banc.fichier()).path());
        QCOMPARE(::mkfifo(QFile::encodeName(banc.fichier()).constData(), 0600), 0);
        banc.store = banc.nouveau();
        banc.store->ajouter(transfert(1));
        QCOMPARE(banc.relu(), QList<Transfert>{transfert(1)});
    }
    void chargement()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QList<Transfert>, attendus);
        Banc banc;
        banc.env.creerFichier(cheminRelatif, contenu);
        banc.env.creerFichier(cheminRelatif + u".illisible"_s, "plus ancien");
        banc.store = banc.nouveau();
        QCOMPARE(banc.store->transferts(), attendus);
        banc.store->ajouter(transfert(7));
        QCOMPARE(banc.relu(), (QList<Transfert>{transfert(7)} + attendus).mid(0, HistoryStore::capacite));
        QCOMPARE(lireFichier(banc.fichier() + u".illisible"_s), "plus ancien");
        QCOMPARE(lireFichier(banc.fichier() + u".illisible-2"_s), attendus.isEmpty() ? contenu : "");
        // A set-aside file may hold passwords: whatever its mode was, it is its owner's alone now.
        if (attendus.isEmpty()) {
            QCOMPARE(QFile::permissions(banc.fichier() + u".illisible-2"_s) &
                         ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                     QFile::Permissions());
        }
    }

    // mettreAJour changes the first entry with the token only; supprimer removes every entry with it.
    void modifications()
    {
        Banc banc;
        banc.store->ajouter(transfert(1));
        banc.store->ajouter(transfert(2));
        banc.store->ajouter(transfert(1));
        const QDateTime fin(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC);
        banc.store->mettreAJour(u"tok1"_s, u"Renommé"_s, fin);
        banc.store->mettreAJour(u"inconnu"_s, u"Perdu"_s, fin);
        Transfert renomme = transfert(1);
        renomme.titre = u"Renommé"_s;
        renomme.expireLe = fin;
        QCOMPARE(banc.relu(), (QList<Transfert>{renomme, transfert(2), transfert(1)}));
        banc.store->supprimer(u"tok1"_s);
        QCOMPARE(banc.relu(), QList<Transfert>{transfert(2)});
    }

    // The source's figures replace the previous ones whole, and only a change is told; a failure keeps them.
    // Overlapping refreshes: the one that finishes last decides, even if the store is gone by then.
    void rafraichir()
    {
        Banc banc;
        banc.store->ajouter(transfert(1));
        banc.reponses = {
            {0, vues(u"tok1"_s, 2)},   {0, std::nullopt},         {0, vues(u"tok1"_s, 2)}, {0, Stats()},
            {200, vues(u"lent"_s, 1)}, {0, vues(u"rapide"_s, 1)}, {100, Stats()}};
        QSignalSpy changements(banc.store.get(), &HistoryStore::statsChanged);
        for (int i = 0; i < 3; ++i) {
            QCoro::waitFor(banc.store->rafraichir());
            QCOMPARE(banc.store->stats(), vues(u"tok1"_s, 2));
        }
        QCOMPARE(changements.size(), 1);
        QCoro::waitFor(banc.store->rafraichir());
        QVERIFY(banc.store->stats() == Stats() && banc.store->transferts() == QList<Transfert>{transfert(1)});

        QCoro::Task<> lent = banc.store->rafraichir();
        QCoro::waitFor(banc.store->rafraichir());
        QCOMPARE(banc.store->stats(), vues(u"rapide"_s, 1));
        QCoro::waitFor(std::move(lent));
        QCOMPARE(banc.store->stats(), vues(u"lent"_s, 1));
        QCoro::Task<> orphelin = banc.store->rafraichir();
        banc.store.reset();
        QCoro::waitFor(std::move(orphelin));
    }
};

VALTO_INSCRIRE_TESTS(TestHistoryStore)
#include "TestHistoryStore.moc"
