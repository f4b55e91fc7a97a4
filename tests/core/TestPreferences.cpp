#include "EnvironnementTest.h"
#include "ExecuterTests.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPreferences final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void adresseServeur_data()
    {
        QTest::addColumn<QVariant>("stockee");
        QTest::addColumn<QString>("attendue");
        QTest::newRow("absente") << QVariant() << u"https://transferts.example.test"_s;
        QTest::newRow("trois barres") << QVariant(u"https://a.test///"_s) << u"https://a.test"_s;
        QTest::newRow("espaces et barre") << QVariant(u" https://a.test/ "_s) << u"https://a.test"_s;
        QTest::newRow("barres intérieures")
            << QVariant(u"https://a.test/api/v1/"_s) << u"https://a.test/api/v1"_s;
        QTest::newRow("tabulation gardée") << QVariant(u"\thttps://a.test"_s) << u"\thttps://a.test"_s;
        QTest::newRow("que des barres") << QVariant(u" / /"_s) << QString();
        QTest::newRow("vide") << QVariant(QString()) << QString();
        QTest::newRow("nombre") << QVariant(42) << u"https://transferts.example.test"_s;
    }
    void adresseServeur()
    {
        QFETCH(QVariant, stockee);
        QFETCH(QString, attendue);
        EnvironnementTest env;
        if (stockee.isValid()) {
            env.preferences().ecrire(Preferences::cleApiBaseURL, stockee);
        }
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().apiBaseURL(), attendue);
    }

    void cleDepuisFichier_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("fichier");
        QTest::addColumn<QString>("attendue");
        QTest::newRow("clé et saut de ligne") << std::optional<QByteArray>("k-123\n") << u"k-123"_s;
        QTest::newRow("entourée de blancs") << std::optional<QByteArray>(" \t\r\nk-123 \r\n") << u"k-123"_s;
        QTest::newRow("UTF-8") << std::optional<QByteArray>("clé-ü") << u"clé-ü"_s;
        QTest::newRow("pas de fichier") << std::optional<QByteArray>() << QString();
        QTest::newRow("fichier vide") << std::optional<QByteArray>("") << QString();
        QTest::newRow("que des blancs") << std::optional<QByteArray>(" \n\t ") << QString();
        QTest::newRow("UTF-8 invalide") << std::optional<QByteArray>("k\xff\xfe-123") << QString();
    }
    void cleDepuisFichier()
    {
        QFETCH(std::optional<QByteArray>, fichier);
        QFETCH(QString, attendue);
        EnvironnementTest env;
        if (fichier) {
            env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, *fichier);
        }
        QCOMPARE(env.preferences().apiKey(), attendue);
        // A found key is stored, so later reads and the settings window see it.
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().contient(Preferences::cleApiKey), !attendue.isEmpty());
        QCOMPARE(env.preferences().valeur(Preferences::cleApiKey).toString(), attendue);
    }

    void cleStockeeGardeeTelleQuelle()
    {
        EnvironnementTest env;
        env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, "autre");
        env.preferences().ecrire(Preferences::cleApiKey, u"  k-1"_s);
        QCOMPARE(env.preferences().apiKey(), u"  k-1"_s);
    }

    void cleRempliePuisFichierIgnore()
    {
        EnvironnementTest env;
        const QString fichier =
            env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, "premiere");
        QCOMPARE(env.preferences().apiKey(), u"premiere"_s);
        QFile::remove(fichier);
        env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, "seconde");
        QCOMPARE(env.preferences().apiKey(), u"premiere"_s);
    }

    void dossierCopies_data()
    {
        QTest::addColumn<QVariant>("stocke");
        QTest::addColumn<QString>("attendu");
        const QString defaut = u"/Volumes/DATA/Valto Transferts"_s;
        QTest::newRow("absent") << QVariant() << defaut;
        QTest::newRow("ancien DATA") << QVariant(u"/Volumes/DATA/VALTO TRANSFERTS"_s) << defaut;
        QTest::newRow("ancien VALTO SERVER")
            << QVariant(u"/Volumes/VALTO SERVER/VALTO TRANSFERTS"_s) << defaut;
        QTest::newRow("ancien en minuscules")
            << QVariant(u"/Volumes/data/VALTO TRANSFERTS"_s) << u"/Volumes/data/VALTO TRANSFERTS"_s;
        QTest::newRow("barre finale gardée")
            << QVariant(u"/Volumes/DATA/Valto Transferts/"_s) << u"/Volumes/DATA/Valto Transferts/"_s;
        QTest::newRow("vide") << QVariant(QString()) << QString();
        QTest::newRow("liste") << QVariant(QStringList{u"/x"_s}) << defaut;
    }
    void dossierCopies()
    {
        QFETCH(QVariant, stocke);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        if (stocke.isValid()) {
            env.preferences().ecrire(Preferences::cleNasMountPath, stocke);
        }
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().nasMountPath(), attendu);
        if (stocke.isValid()) {
            QCOMPARE(env.preferences().valeur(Preferences::cleNasMountPath), stocke);
        }
    }

    void expediteur_data()
    {
        QTest::addColumn<QVariant>("stocke");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("absent") << QVariant() << u"Camille Test"_s;
        QTest::newRow("vide") << QVariant(QString()) << u"Camille Test"_s;
        QTest::newRow("renseigné") << QVariant(u"Studio Valto"_s) << u"Studio Valto"_s;
    }
    void expediteur()
    {
        QFETCH(QVariant, stocke);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        if (stocke.isValid()) {
            env.preferences().ecrire(Preferences::cleExpediteur, stocke);
        }
        QCOMPARE(env.preferences().expediteur(), attendu);
    }

    void expiration_data()
    {
        QTest::addColumn<QVariant>("stockee");
        QTest::addColumn<qint64>("attendue");
        QTest::newRow("absente") << QVariant() << qint64(7);
        QTest::newRow("zéro gardé") << QVariant(0) << qint64(0);
        QTest::newRow("14") << QVariant(14) << qint64(14);
        QTest::newRow("texte numérique") << QVariant(u"30"_s) << qint64(30);
    }
    void expiration()
    {
        QFETCH(QVariant, stockee);
        QFETCH(qint64, attendue);
        EnvironnementTest env;
        if (stockee.isValid()) {
            env.preferences().ecrire(Preferences::cleDefaultExpiryDays, stockee);
        }
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().defaultExpiryDays(), attendue);
    }

    // The store must tell a one-element list and an empty list from a string and from nothing.
    void typesConserves_data()
    {
        QTest::addColumn<QVariant>("valeur");
        QTest::newRow("liste d'un élément") << QVariant(QStringList{u"DATA"_s});
        QTest::newRow("liste vide") << QVariant(QStringList{});
        QTest::newRow("chaîne") << QVariant(u"DATA"_s);
        QTest::newRow("entier") << QVariant(qint64(3));
        QTest::newRow("chaîne numérique") << QVariant(u"3"_s);
    }
    void typesConserves()
    {
        QFETCH(QVariant, valeur);
        EnvironnementTest env;
        env.preferences().ecrire(u"cle"_s, valeur);
        env.rouvrirPreferences();
        QVERIFY(env.preferences().contient(u"cle"_s));
        const QVariant relue = env.preferences().valeur(u"cle"_s);
        QCOMPARE(relue.metaType(), valeur.metaType());
        QCOMPARE(relue, valeur);
    }

    void fichierCorrompuIgnore()
    {
        EnvironnementTest env;
        env.creerFichier(u"preferences.json"_s, "{pas du json");
        QCOMPARE(env.preferences().defaultExpiryDays(), 7);
        QCOMPARE(env.preferences().nasMountPath(), u"/Volumes/DATA/Valto Transferts"_s);
    }
};

VALTO_INSCRIRE_TESTS(TestPreferences)
#include "TestPreferences.moc"
