#include "core/Partages.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The known shares kept in the preferences, and where the copies folder says they are mounted.
class TestPartages final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void partagesEnVigueur_data()
    {
        QTest::addColumn<QVariant>("stockee");
        QTest::addColumn<QStringList>("attendue");
        QTest::newRow("absente") << QVariant() << partagesParDefaut;
        QTest::newRow("liste vide en vigueur") << QVariant(QStringList()) << QStringList();
        QTest::newRow("chaîne") << QVariant(u"DATA"_s) << partagesParDefaut;
        QTest::newRow("liste mêlée") << QVariant(QVariantList{u"A"_s, 2}) << partagesParDefaut;
        QTest::newRow("liste de textes")
            << QVariant(QVariantList{u"A"_s, u"B"_s}) << QStringList{u"A"_s, u"B"_s};
    }
    void partagesEnVigueur()
    {
        QFETCH(QVariant, stockee);
        QFETCH(QStringList, attendue);
        EnvironnementTest env;
        if (stockee.isValid()) {
            env.preferences().ecrire(Preferences::clePartagesConnus, stockee);
        }
        // As written in this run, then as read back at the next start.
        QCOMPARE(::partagesEnVigueur(env.preferences()), attendue);
        env.rouvrirPreferences();
        QCOMPARE(::partagesEnVigueur(env.preferences()), attendue);
    }

    // The shares are mounted where the chosen copies folder says: macOS's and Linux's defaults apply only
    // without one, or outside every known share.
    void racineMontage_data()
    {
        QTest::addColumn<QVariant>("copies");
        QTest::addColumn<QString>("racine");
        QTest::newRow("rien de choisi") << QVariant() << u"/mnt"_s;
        QTest::newRow("partage DATA") << QVariant(u"/Volumes/DATA/Valto Transferts/"_s) << u"/Volumes"_s;
        QTest::newRow("partage à la racine") << QVariant(u"/DATA/Copies"_s) << QString();
        QTest::newRow("hors de tout partage") << QVariant(u"/srv/copies"_s) << u"/mnt"_s;
    }
    void racineMontage()
    {
        QFETCH(QVariant, copies);
        EnvironnementTest env;
        if (copies.isValid()) {
            env.preferences().ecrire(Preferences::cleNasMountPath, copies);
        }
        QTEST(::racineMontage(env.preferences(), u"/mnt"_s), "racine");
    }

    void memorisation()
    {
        EnvironnementTest env;
        memoriserPartages(env.preferences(), {u"DATA"_s, u"ARCHIVES"_s});
        memoriserPartages(env.preferences(), {});
        env.rouvrirPreferences();
        QCOMPARE(::partagesEnVigueur(env.preferences()), (QStringList{u"DATA"_s, u"ARCHIVES"_s}));
    }
};

VALTO_INSCRIRE_TESTS(TestPartages)
#include "TestPartages.moc"
