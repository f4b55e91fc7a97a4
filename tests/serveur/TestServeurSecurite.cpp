#include "ServeurDeTest.h"
#include "serveur/ArchiveZip.h"
#include "serveur/OuvertureSousRacine.h"

#include <QDirIterator>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

const QString fichierBase = u"/transferts.sqlite3"_s;

// Another process's connection to the server's database.
using Connexion = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connexion connecter(const QString& fichier)
{
    sqlite3* connexion = nullptr;
    sqlite3_open(fichier.toUtf8().constData(), &connexion);
    return {connexion, &sqlite3_close};
}

// Every value `requete` reads, keyed by column: the last row's.
QMap<QString, QByteArray> lire(sqlite3* connexion, const char* requete)
{
    QMap<QString, QByteArray> valeurs;
    const auto ligne = [](void* lues, int colonnes, char** textes, char** noms) {
        for (int i = 0; i < colonnes; ++i) {
            static_cast<QMap<QString, QByteArray>*>(lues)->insert(QString::fromUtf8(noms[i]), textes[i]);
        }
        return 0;
    };
    sqlite3_exec(connexion, requete, ligne, &valeurs, nullptr);
    return valeurs;
}

} // namespace

// What a hostile client or a locked database can do to valto-serveur, and what it stores about passwords.
class TestServeurSecurite final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A database locked by another process: what could not be written is lost, nothing else.
    void pannes_data()
    {
        QTest::addColumn<QByteArray>("methode");
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("attendu");

        QTest::newRow("téléchargement") << "GET"_ba << u"/t/pannesaaaa/f/a.txt"_s << 200 << "bonjour"_ba;
        QTest::newRow("page vue") << "POST"_ba << u"/t/pannesaaaa/vue"_s << 204 << QByteArray();
        QTest::newRow("création") << "POST"_ba << u"/api/transferts"_s << 503 << "indisponible"_ba;
        QTest::newRow("titre") << "PATCH"_ba << u"/api/transferts/pannesaaaa"_s << 503 << "indisponible"_ba;
        QTest::newRow("suppression") << "DELETE"_ba << u"/api/transferts/pannesaaaa"_s << 503
                                     << "indisponible"_ba;
    }

    void pannes()
    {
        QFETCH(QByteArray, methode);
        QFETCH(QString, chemin);
        QFETCH(int, statut);
        QFETCH(QByteArray, attendu);
        ServeurDeTest s;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"pannesaaaa"_s, {u"DATA/Clients/a.txt"_s}));
        const bool creation = chemin == u"/api/transferts"_s;
        // A change of title reads the title of a creation's body.
        const QByteArray corps = creation || methode == "PATCH"
                                     ? corpsDe(u"nouveau001"_s, {u"DATA/Clients/a.txt"_s}).versJSON()
                                     : QByteArray();
        const Entetes entetes = s.entetesAPI() + Entetes{{"User-Agent", navigateur}};
        const Connexion autre = connecter(s.donnees() + fichierBase);
        QVERIFY(sqlite3_exec(autre.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK);
        const ReponseHTTP reponse = s.envoyer(methode, chemin, entetes, corps);
        QTRY_VERIFY(s.journal().join(u'\n').contains(u"database is locked"_s));
        sqlite3_exec(autre.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        QVERIFY(reponse.statut == statut && reponse.corps.contains(attendu) &&
                reponse.entetes.contains("content-length") == (statut != 204)); // a 204 gives no length

        // Still serving: a refused change now goes through, a lost count stays lost, the new one is kept.
        s.avancer(61);
        QCOMPARE(s.envoyer(methode, chemin, entetes, corps).statut, statut == 503 ? 200 + creation : statut);
        const auto bilan = [&] {
            qint64 total = 0;
            for (const TransfertAPI& t : s.transferts()) {
                total += 1 + t.nbVues.value_or(0) + t.nbTelechargements;
            }
            return total;
        };
        QTRY_COMPARE(bilan(), methode == "DELETE" ? 0 : methode == "PATCH" ? 1 : 2);
    }

    void motDePasseSeulementEnArgon2id()
    {
        ServeurDeTest s;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        // Everything the server keeps after creating a transfer protected by `motDePasse` and retrying it.
        const auto stocke = [&](const QString& motDePasse) {
            const CorpsCreation corps = corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, motDePasse);
            s.creer(corps);
            const int bis = s.envoyer("POST", u"/api/transferts"_s, s.entetesAPI(), corps.versJSON()).statut;
            CorpsCreation autre = corps;
            autre.motDePasse = motDePasse + u"!"_s;
            const int faux = s.envoyer("POST", u"/api/transferts"_s, s.entetesAPI(), autre.versJSON()).statut;
            const auto garde = lire(connecter(s.donnees() + fichierBase).get(), "SELECT * FROM transferts");
            QByteArray octets = s.journal().join(u'\n').toUtf8();
            for (QDirIterator i(s.donnees(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 i.hasNext();) {
                octets += lireFichier(i.next());
            }
            const int supprime = s.envoyer("DELETE", u"/api/transferts/protege001"_s, s.entetesAPI()).statut;
            return std::tuple(garde, octets.contains(motDePasse.toUtf8()), QList<int>{bis, faux, supprime});
        };
        auto [premier, premierEnClair, premiersStatuts] = stocke(u"Premier-Secret-7Q"_s);
        auto [second, secondEnClair, secondsStatuts] = stocke(u"Second-Secret-9Z"_s);
        QVERIFY(!premierEnClair && !secondEnClair);
        // A retry with the same password gets its link, with another a refusal.
        QCOMPARE(premiersStatuts, (QList<int>{201, 409, 200}));
        // The two rows differ by the Argon2id hash alone: nothing else depends on the password.
        const QString cle = u"empreinte_mot_de_passe"_s;
        QVERIFY(premier.take(cle).startsWith("$argon2id$") && second.take(cle).startsWith("$argon2id$"));
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
        const auto reglage = [](serveur::Configuration& c) {
            c.fils = 8, c.argon2 = {1, 4 * 1024 * 1024}, c.argon2Simultanes = 2;
        };
        ServeurDeTest s(reglage, moteur);
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s));

        const QByteArray essai = requeteBrute(
            "POST /t/protege001", "Content-Type: application/x-www-form-urlencoded\r\n", "mot_de_passe=faux");
        const QList<int> statuts =
            envoyerEnParallele(s.origine(), QList<QByteArray>(std::max(16, adresses), essai), adresses);
        // Each guess is counted before it is checked: from one address only the first is checked.
        QVERIFY(statuts.count(401) == adresses && statuts.count(429) == statuts.size() - adresses);
        QCOMPARE(s.picArgon2(), std::min(2, adresses));
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
        QCOMPARE(serveur::ouvrirSousRacine(arbre.racine(), "DATA/interne"), -1);
        // Nor is a link on the way, where the last name alone would pass.
        std::filesystem::create_symlink("Dossier",
                                        environnement.chemin(u"Volumes/DATA/raccourci"_s).toStdString());
        QCOMPARE(serveur::ouvrirSousRacine(arbre.racine(), "DATA/raccourci/a.txt"), -1);
        const auto elements = arbre.contenu({"DATA/Dossier"}, "tokenaaaaa");
        QVERIFY(elements.size() == 2u && QFile::remove(a) && QFile::link(dehors, a));
        serveur::CacheCRC crcs;
        serveur::ArchiveZip archive(elements, crcs, arbre.racine());
        std::string octets(static_cast<std::size_t>(archive.taille()), '\0');
        // Nor read to compute its CRC for a download resumed past it.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, archive.lire(archive.taille() - 99, octets.data(), 99));
        try {
            octets.resize(archive.lire(0, octets.data(), octets.size()));
        } catch (const std::exception&) {
        }
        QVERIFY(octets.find("CONTENU-DU-DEHORS") == std::string::npos);
    }
};

VALTO_INSCRIRE_TESTS(TestServeurSecurite)

#include "TestServeurSecurite.moc"
