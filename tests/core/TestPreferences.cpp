#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString cle = u"/DATA/Valto Transferts/.transfer-api-key"_s;

} // namespace

class TestPreferences final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Defaults, clean-ups and fall-backs; the stored value itself is never rewritten.
    void accesseurs_data()
    {
        QTest::addColumn<QVariantMap>("stockees");
        QTest::addColumn<QVariantList>("effectives"); // address, copies folder, sender, expiry, notices
        const QString copies = u"/Volumes/DATA/Valto Transferts"_s;
        const QVariantList parDefaut{u"https://transferts.example.test"_s, copies, u"Camille Test"_s,
                                     qint64(7), true};
        QTest::newRow("valeurs nettoyées")
            << QVariantMap{{u"apiBaseURL"_s, u" https://a.test/api/// "_s},
                           {u"nasMountPath"_s, u"/Volumes/DATA/VALTO TRANSFERTS"_s},
                           {u"expediteur"_s, QString()},
                           {u"defaultExpiryDays"_s, 0},
                           {u"prevenirReceptions"_s, false}}
            << QVariantList{u"https://a.test/api"_s, copies, u"Camille Test"_s, qint64(0), false};
        QTest::newRow("types inattendus, ancien dossier du serveur")
            << QVariantMap{{u"apiBaseURL"_s, 42},
                           {u"nasMountPath"_s, u"/Volumes/VALTO SERVER/VALTO TRANSFERTS"_s},
                           {u"expediteur"_s, 3},
                           {u"prevenirReceptions"_s, u"non"_s}}
            << parDefaut;
        QTest::newRow("dossier des copies en nombre") << QVariantMap{{u"nasMountPath"_s, 42}} << parDefaut;
    }
    void accesseurs()
    {
        QFETCH(QVariantMap, stockees);
        EnvironnementTest env;
        for (auto [cle, valeur] : stockees.asKeyValueRange()) {
            env.preferences().ecrire(cle, valeur);
        }
        env.rouvrirPreferences();
        Preferences& p = env.preferences();
        QTEST((QVariantList{p.apiBaseURL(), p.nasMountPath(), p.expediteur(), p.defaultExpiryDays(),
                            p.prevenirReceptions()}),
              "effectives");
        for (auto [cle, valeur] : stockees.asKeyValueRange()) {
            QCOMPARE(env.preferences().valeur(cle), valeur);
        }
    }

    // Read, trimmed, from the key file while the stored key is empty, then stored. The file lies where
    // the shares are mounted: the default, or where the chosen copies folder says.
    void cleDepuisFichier_data()
    {
        QTest::addColumn<QByteArray>("fichier");
        QTest::addColumn<QString>("racine");
        QTest::addColumn<QString>("attendue");
        QTest::newRow("entourée de blancs") << " \t\r\nclé-1 \r\n"_ba << u"Volumes"_s << u"clé-1"_s;
        QTest::newRow("NAS monté ailleurs") << "clé-2"_ba << u"mnt/nas"_s << u"clé-2"_s;
        QTest::newRow("4096 octets permis") << QByteArray(4096, 'k') << u"Volumes"_s << QString(4096, u'k');
    }
    void cleDepuisFichier()
    {
        QFETCH(QByteArray, fichier);
        QFETCH(QString, racine);
        QFETCH(QString, attendue);
        EnvironnementTest env;
        if (racine != u"Volumes"_s) {
            env.preferences().ecrire(Preferences::cleNasMountPath, env.chemin(racine + u"/DATA/Copies"_s));
        }
        QCOMPARE(env.preferences().apiKey(), QString());
        env.creerFichier(racine + cle, fichier);
        QCOMPARE(env.preferences().apiKey(), attendue);
        env.creerFichier(racine + cle, "suivante");
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().apiKey(), attendue);
    }

    // Lists of one element or none stay lists, read back as another process would (Qt keeps its parse in
    // memory). The file holds the API key: it is its owner's alone.
    void typesConserves()
    {
        EnvironnementTest env;
        env.plateforme().fichierPreferences = env.chemin(u"config/preferences.json"_s);
        const QVariantMap valeurs{{u"un"_s, QStringList{u"DATA"_s}},
                                  {u"vide"_s, QStringList()},
                                  {u"entier"_s, qint64(3)},
                                  {u"texte"_s, u"3"_s},
                                  {u"mêlée"_s, QVariantList{true, u"a"_s}}};
        for (auto [cle, valeur] : valeurs.asKeyValueRange()) {
            env.preferences().ecrire(cle, valeur);
        }
        QCOMPARE(QFile::permissions(env.plateforme().fichierPreferences),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        EnvironnementTest autre;
        autre.creerFichier(u"preferences.json"_s, lireFichier(env.plateforme().fichierPreferences));
        for (auto [cle, valeur] : valeurs.asKeyValueRange()) {
            QCOMPARE(autre.preferences().valeur(cle).metaType(), valeur.metaType());
            QCOMPARE(autre.preferences().valeur(cle), valeur);
        }
    }

    // A file that is not a JSON object, or past 1 MiB, is kept aside, whole, before the store starts empty.
    void fichierEcarte_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<qint64>("lue"); // the expiry read from it; 7: the default, the file set aside
        const QByteArray mio = "{\"defaultExpiryDays\":2,\"x\":\"" + QByteArray((1 << 20) - 30, 'x') + "\"}";
        QTest::newRow("pas un objet") << QByteArray(R"(["Léa"])") << qint64(7);
        QTest::newRow("1 Mio tout juste") << mio << qint64(2);
        QTest::newRow("1 Mio et un octet") << mio + ' ' << qint64(7);
    }
    void fichierEcarte()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(qint64, lue);
        EnvironnementTest env;
        env.plateforme().fichierPreferences = env.creerFichier(u"preferences.json"_s, contenu);
        QCOMPARE(env.preferences().defaultExpiryDays(), lue);
        env.preferences().ecrire(Preferences::cleDefaultExpiryDays, 3);
        env.preferences().ecrire(u"x"_s, QString());
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().defaultExpiryDays(), 3);
        QCOMPARE(lireFichier(env.plateforme().fichierPreferences + u".illisible"_s),
                 lue == 7 ? contenu : QByteArray());
    }
};

VALTO_INSCRIRE_TESTS(TestPreferences)
#include "TestPreferences.moc"
