#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString cheminCle = u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s;

// The effective value of one setting, read through its accessor.
QVariant lireAccesseur(Preferences& preferences, const QString& cle)
{
    if (cle == Preferences::cleApiBaseURL) {
        return preferences.apiBaseURL();
    }
    if (cle == Preferences::cleNasMountPath) {
        return preferences.nasMountPath();
    }
    if (cle == Preferences::cleExpediteur) {
        return preferences.expediteur();
    }
    return preferences.defaultExpiryDays();
}

} // namespace

class TestPreferences final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Defaults, clean-ups and fall-backs of the accessors; the stored value itself is never rewritten.
    void accesseurs_data()
    {
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QVariant>("stockee"); // invalid: nothing stored
        QTest::addColumn<QVariant>("effective");
        const QString url = Preferences::cleApiBaseURL;
        const QVariant origine = u"https://transferts.example.test"_s;
        QTest::newRow("URL absente") << url << QVariant() << origine;
        QTest::newRow("URL à trois barres")
            << url << QVariant(u"https://a.test///"_s) << QVariant(u"https://a.test"_s);
        QTest::newRow("URL entre espaces")
            << url << QVariant(u" https://a.test/ "_s) << QVariant(u"https://a.test"_s);
        QTest::newRow("URL, barres intérieures")
            << url << QVariant(u"https://a.test/api/v1/"_s) << QVariant(u"https://a.test/api/v1"_s);
        QTest::newRow("URL, tabulation gardée")
            << url << QVariant(u"\thttps://a.test"_s) << QVariant(u"\thttps://a.test"_s);
        QTest::newRow("URL faite de barres") << url << QVariant(u" / /"_s) << QVariant(QString());
        QTest::newRow("URL nombre") << url << QVariant(42) << origine;

        const QString copies = Preferences::cleNasMountPath;
        const QVariant defaut = u"/Volumes/DATA/Valto Transferts"_s;
        QTest::newRow("copies absent") << copies << QVariant() << defaut;
        QTest::newRow("copies, ancien DATA")
            << copies << QVariant(u"/Volumes/DATA/VALTO TRANSFERTS"_s) << defaut;
        QTest::newRow("copies, ancien SERVER")
            << copies << QVariant(u"/Volumes/VALTO SERVER/VALTO TRANSFERTS"_s) << defaut;
        QTest::newRow("copies, casse différente") << copies << QVariant(u"/Volumes/data/VALTO TRANSFERTS"_s)
                                                  << QVariant(u"/Volumes/data/VALTO TRANSFERTS"_s);
        QTest::newRow("copies, barre finale") << copies << QVariant(u"/Volumes/DATA/Valto Transferts/"_s)
                                              << QVariant(u"/Volumes/DATA/Valto Transferts/"_s);
        QTest::newRow("copies vide") << copies << QVariant(QString()) << QVariant(QString());
        QTest::newRow("copies liste") << copies << QVariant(QStringList{u"/x"_s}) << defaut;

        const QString expediteur = Preferences::cleExpediteur;
        QTest::newRow("expéditeur absent") << expediteur << QVariant() << QVariant(u"Camille Test"_s);
        QTest::newRow("expéditeur vide") << expediteur << QVariant(QString()) << QVariant(u"Camille Test"_s);
        QTest::newRow("expéditeur") << expediteur << QVariant(u"Studio Valto"_s)
                                    << QVariant(u"Studio Valto"_s);

        const QString expiration = Preferences::cleDefaultExpiryDays;
        QTest::newRow("expiration absente") << expiration << QVariant() << QVariant(qint64(7));
        QTest::newRow("expiration 0 gardée") << expiration << QVariant(0) << QVariant(qint64(0));
        QTest::newRow("expiration texte") << expiration << QVariant(u"30"_s) << QVariant(qint64(30));
    }
    void accesseurs()
    {
        QFETCH(QString, cle);
        QFETCH(QVariant, stockee);
        QFETCH(QVariant, effective);
        EnvironnementTest env;
        if (stockee.isValid()) {
            env.preferences().ecrire(cle, stockee);
        }
        env.rouvrirPreferences();
        QCOMPARE(lireAccesseur(env.preferences(), cle), effective);
        QCOMPARE(env.preferences().valeur(cle), stockee);
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
            env.creerFichier(cheminCle, *fichier);
        }
        QCOMPARE(env.preferences().apiKey(), attendue);
        // A found key is stored, so later reads and the settings window see it.
        env.rouvrirPreferences();
        QCOMPARE(env.preferences().contient(Preferences::cleApiKey), !attendue.isEmpty());
        QCOMPARE(env.preferences().valeur(Preferences::cleApiKey).toString(), attendue);
    }

    // A stored key is returned as is, and once filled the key file is no longer read.
    void cleStockeePrioritaire()
    {
        EnvironnementTest env;
        const QString fichier = env.creerFichier(cheminCle, "premiere");
        QCOMPARE(env.preferences().apiKey(), u"premiere"_s);
        QFile::remove(fichier);
        env.creerFichier(cheminCle, "seconde");
        QCOMPARE(env.preferences().apiKey(), u"premiere"_s);
        env.preferences().ecrire(Preferences::cleApiKey, u"  k-1"_s);
        QCOMPARE(env.preferences().apiKey(), u"  k-1"_s);
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
