#include "ServeurDeTest.h"
#include "serveur/ArchiveZip.h"
#include "serveur/Journal.h"
#include "serveur/OuvertureSousRacine.h"

#include <QDirIterator>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString fichierBase = u"/transferts.sqlite3"_s;
const QString fichierSecret = u"serveur/secret"_s;
const QString fichierCle = u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s;

// Another process's connection to the server's database.
using Connexion = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connexion connecter(const QString& fichier)
{
    sqlite3* connexion = nullptr;
    sqlite3_open(fichier.toUtf8().constData(), &connexion);
    return {connexion, &sqlite3_close};
}

bool executer(sqlite3* connexion, const char* sql)
{
    return sqlite3_exec(connexion, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Every value `requete` reads, keyed "<row>.<column>".
QMap<QString, QByteArray> lire(sqlite3* connexion, const char* requete)
{
    QMap<QString, QByteArray> valeurs;
    sqlite3_stmt* lecture = nullptr;
    sqlite3_prepare_v2(connexion, requete, -1, &lecture, nullptr);
    for (int ligne = 0; sqlite3_step(lecture) == SQLITE_ROW; ++ligne) {
        for (int colonne = 0; colonne < sqlite3_column_count(lecture); ++colonne) {
            valeurs.insert(
                u"%1.%2"_s.arg(ligne).arg(QString::fromUtf8(sqlite3_column_name(lecture, colonne))),
                QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(lecture, colonne))));
        }
    }
    sqlite3_finalize(lecture);
    return valeurs;
}

// Writes of this process past `octets` in a file fail (EFBIG) as on a full disk, until called with
// RLIM_INFINITY.
void disquePlein(rlim_t octets)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limite{octets, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limite);
}

} // namespace

// What a hostile client or a failing disk can do to valto-serveur, and what it stores about passwords.
class TestServeurSecurite final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        disquePlein(RLIM_INFINITY);
        m_serveur.reset();
    }

    // A database locked by another process: what could not be written is lost, nothing else.
    void pannes_data()
    {
        QTest::addColumn<QByteArray>("methode");
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("attendu");

        QTest::newRow("téléchargement") << "GET"_ba << u"/t/pannesaaaa/f/a.txt"_s << 200 << "bonjour"_ba;
        QTest::newRow("page vue") << "POST"_ba << u"/t/pannesaaaa/vue"_s << 204 << QByteArray();
        QTest::newRow("création") << "POST"_ba << u"/api/transferts"_s << 503
                                  << "Base de données indisponible"_ba;
    }

    void pannes()
    {
        QFETCH(QByteArray, methode);
        QFETCH(QString, chemin);
        QFETCH(int, statut);
        QFETCH(QByteArray, attendu);
        ServeurDeTest& s = demarrer();
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"pannesaaaa"_s, {u"DATA/Clients/a.txt"_s}));
        const bool creation = chemin == u"/api/transferts"_s;
        const QByteArray corps =
            creation ? corpsDe(u"nouveau001"_s, {u"DATA/Clients/a.txt"_s}).versJSON() : QByteArray();
        const Entetes entetes = s.entetesAPI() + Entetes{{"User-Agent", navigateur}};
        const Connexion autre = connecter(s.donnees() + fichierBase);
        QVERIFY(executer(autre.get(), "BEGIN EXCLUSIVE"));
        const ReponseHTTP reponse = s.envoyer(methode, chemin, entetes, corps);
        QTRY_VERIFY(s.journal().join(u'\n').contains(u"database is locked"_s));
        executer(autre.get(), "ROLLBACK");
        QCOMPARE(reponse.statut, statut);
        QVERIFY(reponse.corps.contains(attendu));

        // Still serving, and counting again: the lost count stays lost, the new one is kept.
        s.avancer(61);
        QCOMPARE(s.envoyer(methode, chemin, entetes, corps).statut, creation ? 201 : statut);
        const auto bilan = [&] {
            qint64 total = 0;
            for (const TransfertAPI& t : s.transferts()) {
                total += 1 + t.nbVues.value_or(0) + t.nbTelechargements;
            }
            return total;
        };
        QTRY_COMPARE(bilan(), 2);
    }

    void demarrageApresEchec_data()
    {
        QTest::addColumn<QStringList>("presents");
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("enEchec");

        QTest::newRow("secret") << QStringList{} << QByteArray() << u"secret"_s;
        QTest::newRow("clé") << QStringList{fichierSecret} << QByteArray("0123abcd\n")
                             << u".transfer-api-key"_s;
        QTest::newRow("base") << QStringList{fichierSecret, fichierCle} << QByteArray("0123abcd\n")
                              << u"transferts.sqlite3"_s;
        QTest::newRow("fichiers vides d'un démarrage interrompu")
            << QStringList{fichierSecret, fichierCle} << QByteArray() << QString();
    }

    void demarrageApresEchec()
    {
        QFETCH(QStringList, presents);
        QFETCH(QByteArray, contenu);
        QFETCH(QString, enEchec);
        EnvironnementTest environnement;
        const serveur::Configuration configuration = configurationDeTest(environnement);
        for (const QString& present : presents) {
            environnement.creerFichier(present, contenu);
        }
        if (!enEchec.isEmpty()) {
            // The disk fills in the middle of a write.
            disquePlein(10);
            const auto echec = serveur::ServeurTransferts::creer(configuration);
            disquePlein(RLIM_INFINITY);
            QVERIFY(!echec);
            QVERIFY2(QString::fromStdString(echec.error()).contains(enEchec), echec.error().c_str());
        }

        // Nothing the failure left behind stands in the way of the next start.
        const auto demarre = serveur::ServeurTransferts::creer(configuration);
        QVERIFY2(demarre, demarre ? "" : demarre.error().c_str());
        for (const QString& fichier : {fichierSecret, fichierCle}) {
            const bool garde = presents.contains(fichier) && !contenu.isEmpty();
            QCOMPARE(QFileInfo(environnement.chemin(fichier)).size(), garde ? contenu.size() : 65);
        }
    }

    void motDePasseSeulementEnArgon2id()
    {
        ServeurDeTest& s = demarrer();
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        // Everything the server keeps after creating a transfer protected by `motDePasse` and retrying it.
        const auto stocke = [&](const QString& motDePasse) {
            const CorpsCreation corps = corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, motDePasse);
            s.creer(corps);
            const int retry =
                s.envoyer("POST", u"/api/transferts"_s, s.entetesAPI(), corps.versJSON()).statut;
            CorpsCreation autre = corps;
            autre.motDePasse = motDePasse + u"!"_s;
            const int faux = s.envoyer("POST", u"/api/transferts"_s, s.entetesAPI(), autre.versJSON()).statut;
            const auto garde = lire(connecter(s.donnees() + fichierBase).get(), "SELECT * FROM transferts");
            QByteArray octets = s.journal().join(u'\n').toUtf8();
            for (QDirIterator i(s.donnees(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 i.hasNext();) {
                QFile fichier(i.next());
                octets += fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
            }
            const int supprime = s.envoyer("DELETE", u"/api/transferts/protege001"_s, s.entetesAPI()).statut;
            return std::tuple(garde, octets.contains(motDePasse.toUtf8()), QList<int>{retry, faux, supprime});
        };
        auto [premier, premierEnClair, premiersStatuts] = stocke(u"Premier-Secret-7Q"_s);
        auto [second, secondEnClair, secondsStatuts] = stocke(u"Second-Secret-9Z"_s);
        QVERIFY(!premierEnClair && !secondEnClair);
        // A retry with the same password gets its link, with another a refusal.
        QCOMPARE(premiersStatuts, (QList<int>{201, 409, 200}));
        QCOMPARE(secondsStatuts, premiersStatuts);
        // The two rows differ by the Argon2id hash alone: nothing else depends on the password.
        const QString empreinte = u"0.empreinte_mot_de_passe"_s;
        QVERIFY(premier.take(empreinte).startsWith("$argon2id$"));
        QVERIFY(second.take(empreinte).startsWith("$argon2id$"));
        QCOMPARE(premier, second);
    }

    void tentativesParalleles_data()
    {
        QTest::addColumn<int>("adresses");
        QTest::addColumn<Moteur>("moteur");
        for (const auto& [moteur, nom] :
             {std::pair(Moteur::sqlite, "SQLite"), {Moteur::postgresql, "PostgreSQL"}}) {
            QTest::addRow("16 d'une adresse, %s", nom) << 1 << moteur;
            QTest::addRow("48 de 48 adresses, %s", nom) << 48 << moteur;
        }
    }

    void tentativesParalleles()
    {
        QFETCH(int, adresses);
        QFETCH(Moteur, moteur);
        ServeurDeTest& s = demarrer(
            [](serveur::Configuration& c) {
                c.fils = 8;
                c.argon2 = {1, 4 * 1024 * 1024};
                c.argon2Simultanes = 2;
            },
            moteur);
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s));

        const QByteArray essai = requeteBrute(
            "POST /t/protege001", "Content-Type: application/x-www-form-urlencoded\r\n", "mot_de_passe=faux");
        const QList<int> statuts =
            envoyerEnParallele(s.origine(), QList<QByteArray>(std::max(16, adresses), essai), adresses);
        // Each guess is counted before it is checked: from one address only the first is checked.
        QCOMPARE(statuts.count(401), adresses);
        QCOMPARE(statuts.count(429), statuts.size() - adresses);
        QCOMPARE(s.picArgon2(), std::min(2, adresses));
    }

    void modificationsConcurrentes()
    {
        ServeurDeTest& s = demarrer();
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"modifie001"_s, {u"DATA/Clients/a.txt"_s}));
        const QByteArray entetes =
            "X-Api-Key: " + s.cle().toUtf8() + "\r\nContent-Type: application/json\r\n";
        const QByteArray debut = "PATCH /api/transferts/modifie001";
        // Two edits at once, each of its own field: both fields change.
        const QList<int> statuts = envoyerEnParallele(
            s.origine(), {requeteBrute(debut, entetes, CorpsModification{{}, 3}.versJSON()),
                          requeteBrute(debut, entetes, CorpsModification{u"T"_s, {}}.versJSON())});
        QCOMPARE(statuts, (QList<int>{200, 200}));
        const TransfertAPI t = s.transferts().first();
        QCOMPARE(t.titre, u"T"_s);
        QCOMPARE(t.expireLe,
                 QDateTime::fromSecsSinceEpoch(s.maintenant() + 3 * 86400, Qt::UTC).toString(Qt::ISODate));
    }

    // Links beneath the NAS root are never followed, wherever they lead: one met at open time was swapped
    // in since, as a file of the listing can be before the archive reads it.
    void liensSousLaRacine()
    {
        EnvironnementTest environnement;
        const QString a = environnement.creerFichier(u"Volumes/DATA/Dossier/a.txt"_s, "CONTENU-DU-DEDANS");
        const QString dehors = environnement.creerFichier(u"dehors.txt"_s, "CONTENU-DU-DEHORS");
        std::filesystem::create_symlink("Dossier/a.txt",
                                        environnement.chemin(u"Volumes/DATA/interne"_s).toStdString());
        const serveur::ArbreNAS arbre(environnement.chemin(u"Volumes"_s).toStdString(),
                                      environnement.chemin(u"Volumes/DATA/Valto Transferts"_s).toStdString(),
                                      {});
        const int descripteur = serveur::ouvrirSousRacine(arbre.racine(), "DATA/Dossier/a.txt");
        QVERIFY(descripteur >= 0);
        ::close(descripteur);
        QCOMPARE(serveur::ouvrirSousRacine(arbre.racine(), "DATA/interne"), -1);
        // Nor is a link on the way, where the last name alone would pass.
        std::filesystem::create_symlink("Dossier",
                                        environnement.chemin(u"Volumes/DATA/raccourci"_s).toStdString());
        QCOMPARE(serveur::ouvrirSousRacine(arbre.racine(), "DATA/raccourci/a.txt"), -1);
        const auto elements = arbre.contenu({"DATA/Dossier"}, "tokenaaaaa");
        QCOMPARE(elements.size(), 2u);
        QVERIFY(QFile::remove(a) && QFile::link(dehors, a));
        serveur::CacheCRC crcs;
        serveur::ArchiveZip archive(elements, crcs, arbre.racine());
        std::string octets(static_cast<std::size_t>(archive.taille()), '\0');
        try {
            octets.resize(archive.lire(0, octets.data(), octets.size()));
        } catch (const std::exception&) {
        }
        QVERIFY(octets.find("CONTENU-DU-DEHORS") == std::string::npos);
    }

    void grandeListe()
    {
        ServeurDeTest& s = demarrer();
        for (int i = 0; i < 1000; ++i) {
            s.creerSurNAS(u"DATA/Valto Transferts/grandeaaaa/%1.txt"_s.arg(i), "x");
        }
        s.creer(corpsDe(u"grandeaaaa"_s, {}));
        // The listing kept since the creation is dropped as soon as its folder changes.
        s.creerSurNAS(u"DATA/Valto Transferts/grandeaaaa/nouveau.txt"_s, "x");
        QVERIFY(s.envoyer("GET", u"/t/grandeaaaa"_s).corps.contains("/t/grandeaaaa/f/nouveau.txt"));
    }

    void schemaSansVersion()
    {
        EnvironnementTest environnement;
        const serveur::Configuration configuration = configurationDeTest(environnement);
        environnement.creerDossier(u"serveur"_s);
        const Connexion ancienne = connecter(environnement.chemin(u"serveur"_s) + fichierBase);
        QVERIFY(
            executer(ancienne.get(), R"(CREATE TABLE transferts (token TEXT PRIMARY KEY, titre TEXT NOT NULL,
                expediteur TEXT NOT NULL, type TEXT NOT NULL, empreinte_mot_de_passe TEXT, fichiers TEXT NOT NULL,
                ordre TEXT NOT NULL, cree_le INTEGER NOT NULL, expire_le INTEGER, nb_fichiers INTEGER NOT NULL,
                octets INTEGER NOT NULL, empreinte_corps TEXT NOT NULL, nb_telechargements INTEGER NOT NULL DEFAULT 0,
                dernier_telechargement INTEGER, nb_vues INTEGER NOT NULL DEFAULT 0, premiere_vue INTEGER,
                derniere_vue INTEGER);
                INSERT INTO transferts (token, titre, expediteur, type, empreinte_mot_de_passe, fichiers, ordre,
                cree_le, nb_fichiers, octets, empreinte_corps) VALUES
                ('protege001', 'P', 'C', 'transfert', '$argon2id$x', '[]', '[]', 1, 0, 0, 'rapide'),
                ('ouvert0001', 'O', 'C', 'transfert', NULL, '[]', '[]', 2, 0, 0, 'garde');)"));
        // Another process holds the database a moment, within the wait the server grants it.
        QVERIFY(executer(ancienne.get(), "BEGIN EXCLUSIVE"));
        std::thread liberation([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            executer(ancienne.get(), "ROLLBACK");
        });
        auto demarre = serveur::ServeurTransferts::creer(configuration);
        liberation.join();
        QVERIFY2(demarre, demarre ? "" : demarre.error().c_str());

        // Upgraded in place: the rows kept, the fingerprint that covered a password gone, even from the file.
        demarre->reset();
        QFile fichier(environnement.chemin(u"serveur"_s) + fichierBase);
        QVERIFY(fichier.open(QIODevice::ReadOnly) && !fichier.readAll().contains("rapide"));
        const Connexion base = connecter(environnement.chemin(u"serveur"_s) + fichierBase);
        QCOMPARE(lire(base.get(), "PRAGMA user_version").value(u"0.user_version"_s), "2");
        QCOMPARE(lire(base.get(), "SELECT token, empreinte_corps FROM transferts ORDER BY token").values(),
                 (QList<QByteArray>{"garde", "ouvert0001", "", "protege001"}));
    }

private:
    ServeurDeTest& demarrer(const std::function<void(serveur::Configuration&)>& reglage = {},
                            Moteur moteur = Moteur::sqlite)
    {
        m_serveur = std::make_unique<ServeurDeTest>(reglage, moteur);
        return *m_serveur;
    }

    std::unique_ptr<ServeurDeTest> m_serveur;
};

VALTO_INSCRIRE_TESTS(TestServeurSecurite)

#include "TestServeurSecurite.moc"
