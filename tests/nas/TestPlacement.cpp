#include "core/Partages.h"
#include "nas/Placement.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPlacement final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void classement_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QStringList>("partages");
        QTest::addColumn<QString>("reference"); // empty: off the NAS
        const QStringList defaut = partagesParDefaut;
        QTest::newRow("partage avec espace")
            << u"/Volumes/VALTO SERVER/Projets/b.pdf"_s << defaut << u"VALTO SERVER/Projets/b.pdf"_s;
        QTest::newRow("le partage lui-même") << u"/Volumes/DATA"_s << defaut << QString();
        QTest::newRow("la casse compte") << u"/Volumes/data/x.jpg"_s << defaut << QString();
        QTest::newRow("pas de préfixe partiel") << u"/Volumes/DATA2/x.jpg"_s << defaut << QString();
        // Compared canonically; the rest of the path is kept exactly as it came.
        QTest::newRow("partage composé, chemin décomposé")
            << u"/Volumes/E\u0301quipe/Re\u0301sume\u0301.pdf"_s << QStringList{u"\u00C9quipe"_s}
            << u"\u00C9quipe/Re\u0301sume\u0301.pdf"_s;
        QTest::newRow("partage décomposé, chemin composé")
            << u"/Volumes/\u00C9quipe/\u00E9t\u00E9.jpg"_s << QStringList{u"E\u0301quipe"_s}
            << u"E\u0301quipe/\u00E9t\u00E9.jpg"_s;
        QTest::newRow("marque combinante après le partage")
            << u"/Volumes/DATA/\u0301x.jpg"_s << defaut << u"DATA/\u0301x.jpg"_s;
    }
    void classement()
    {
        QFETCH(QString, chemin);
        QFETCH(QStringList, partages);
        QFETCH(QString, reference);
        const Placement attendu = reference.isEmpty() ? Placement{{}, {chemin}} : Placement{{reference}, {}};
        QCOMPARE(classer({chemin}, partages, u"/Volumes"_s), attendu);
    }

    void ordreConserve()
    {
        const Placement attendu{{u"DATA/2.jpg"_s, u"VALTO SERVER/4.jpg"_s},
                                {u"/Users/a/1.jpg"_s, u"/Users/a/3.jpg"_s}};
        QCOMPARE(classer({u"/Users/a/1.jpg"_s, u"/Volumes/DATA/2.jpg"_s, u"/Users/a/3.jpg"_s,
                          u"/Volumes/VALTO SERVER/4.jpg"_s},
                         partagesParDefaut, u"/Volumes"_s),
                 attendu);
    }

    void partagesEnVigueur_data()
    {
        QTest::addColumn<QVariant>("stockee");
        QTest::addColumn<QStringList>("attendue");
        QTest::newRow("absente") << QVariant() << partagesParDefaut;
        QTest::newRow("liste vide en vigueur") << QVariant(QStringList()) << QStringList();
        QTest::newRow("chaîne") << QVariant(u"DATA"_s) << partagesParDefaut;
        QTest::newRow("liste mêlée") << QVariant(QVariantList{u"A"_s, 2}) << partagesParDefaut;
    }
    void partagesEnVigueur()
    {
        QFETCH(QVariant, stockee);
        QFETCH(QStringList, attendue);
        EnvironnementTest env;
        if (stockee.isValid()) {
            env.preferences().ecrire(Preferences::clePartagesConnus, stockee);
        }
        env.rouvrirPreferences();
        QCOMPARE(::partagesEnVigueur(env.preferences()), attendue);
    }

    // The shares are mounted where the chosen copies folder says: macOS's and Linux's defaults apply only
    // without one, or outside every known share.
    void racineMontage_data()
    {
        QTest::addColumn<QVariant>("copies");
        QTest::addColumn<QString>("parDefaut");
        QTest::addColumn<QString>("racine");
        QTest::newRow("macOS, rien de choisi") << QVariant() << u"/Volumes"_s << u"/Volumes"_s;
        QTest::newRow("Linux, rien de choisi") << QVariant() << u"/mnt"_s << u"/mnt"_s;
        QTest::newRow("macOS, partage DATA")
            << QVariant(u"/Volumes/DATA/Valto Transferts/"_s) << u"/mnt"_s << u"/Volumes"_s;
        // The layout of scripts/run.sh's demo.
        QTest::newRow("Linux, NAS de la démo")
            << QVariant(u"/home/c/.local/share/valto-demo/nas/DATA/Valto Transferts"_s) << u"/mnt"_s
            << u"/home/c/.local/share/valto-demo/nas"_s;
        QTest::newRow("hors de tout partage") << QVariant(u"/srv/copies"_s) << u"/mnt"_s << u"/mnt"_s;
        QTest::newRow("relatif") << QVariant(u"DATA/copies"_s) << u"/Volumes"_s << u"/Volumes"_s;
    }
    void racineMontage()
    {
        QFETCH(QVariant, copies);
        QFETCH(QString, parDefaut);
        QFETCH(QString, racine);
        EnvironnementTest env;
        if (copies.isValid()) {
            env.preferences().ecrire(Preferences::cleNasMountPath, copies);
        }
        QCOMPARE(::racineMontage(env.preferences(), parDefaut), racine);
    }

    void memorisation()
    {
        EnvironnementTest env;
        memoriserPartages(env.preferences(), {});
        QVERIFY(!env.preferences().contient(Preferences::clePartagesConnus));
        memoriserPartages(env.preferences(), {u"DATA"_s, u"ARCHIVES"_s});
        memoriserPartages(env.preferences(), {});
        env.rouvrirPreferences();
        QCOMPARE(::partagesEnVigueur(env.preferences()), (QStringList{u"DATA"_s, u"ARCHIVES"_s}));
    }
};

VALTO_INSCRIRE_TESTS(TestPlacement)
#include "TestPlacement.moc"
