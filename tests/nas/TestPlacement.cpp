#include "nas/Partages.h"
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
        QTest::newRow("fichier sur DATA")
            << u"/Volumes/DATA/Clients/a.jpg"_s << defaut << u"DATA/Clients/a.jpg"_s;
        QTest::newRow("partage avec espace")
            << u"/Volumes/VALTO SERVER/Projets/b.pdf"_s << defaut << u"VALTO SERVER/Projets/b.pdf"_s;
        QTest::newRow("dossier sur un partage")
            << u"/Volumes/DATA/Clients/Projet"_s << defaut << u"DATA/Clients/Projet"_s;
        QTest::newRow("dans le dossier des copies")
            << u"/Volumes/DATA/Valto Transferts/x/a.jpg"_s << defaut << u"DATA/Valto Transferts/x/a.jpg"_s;
        QTest::newRow("le partage lui-même") << u"/Volumes/DATA"_s << defaut << QString();
        QTest::newRow("la casse compte") << u"/Volumes/data/x.jpg"_s << defaut << QString();
        QTest::newRow("pas de préfixe partiel") << u"/Volumes/DATA2/x.jpg"_s << defaut << QString();
        QTest::newRow("dossier personnel") << u"/Users/camille/Desktop/a.jpg"_s << defaut << QString();
        QTest::newRow("liste vide") << u"/Volumes/DATA/a.jpg"_s << QStringList() << QString();
        QTest::newRow("autre racine") << u"/mnt/DATA/a.jpg"_s << defaut << QString();
        // A path handed over decomposed (E + combining acute) still lies on a share named in composed form,
        // and the rest of the path is kept exactly as it came.
        QTest::newRow("partage accentué, chemin décomposé")
            << u"/Volumes/E\u0301quipe/Re\u0301sume\u0301.pdf"_s << QStringList{u"\u00C9quipe"_s}
            << u"\u00C9quipe/Re\u0301sume\u0301.pdf"_s;
        QTest::newRow("partage décomposé, chemin composé")
            << u"/Volumes/\u00C9quipe/\u00E9t\u00E9.jpg"_s << QStringList{u"E\u0301quipe"_s}
            << u"E\u0301quipe/\u00E9t\u00E9.jpg"_s;
        QTest::newRow("marque combinante après le partage")
            << u"/Volumes/DATA/\u0301x.jpg"_s << defaut << u"DATA/\u0301x.jpg"_s;
        QTest::newRow("emoji dans le partage")
            << u"/Volumes/\U0001F4C1 Photos/a.jpg"_s << QStringList{u"\U0001F4C1 Photos"_s}
            << u"\U0001F4C1 Photos/a.jpg"_s;
    }
    void classement()
    {
        QFETCH(QString, chemin);
        QFETCH(QStringList, partages);
        QFETCH(QString, reference);
        const Placement p = classer({chemin}, partages, u"/Volumes"_s);
        if (reference.isEmpty()) {
            QCOMPARE(p, (Placement{{}, {chemin}}));
        } else {
            QCOMPARE(p, (Placement{{reference}, {}}));
        }
    }

    void ordreConserve()
    {
        const QStringList chemins = {u"/Users/a/1.jpg"_s, u"/Volumes/DATA/2.jpg"_s, u"/Users/a/3.jpg"_s,
                                     u"/Volumes/VALTO SERVER/4.jpg"_s};
        const Placement p = classer(chemins, partagesParDefaut, u"/Volumes"_s);
        QCOMPARE(p.references, (QStringList{u"DATA/2.jpg"_s, u"VALTO SERVER/4.jpg"_s}));
        QCOMPARE(p.horsNAS, (QStringList{u"/Users/a/1.jpg"_s, u"/Users/a/3.jpg"_s}));
        QCOMPARE(classer({}, partagesParDefaut, u"/Volumes"_s), Placement{});
    }

    void partagesEnVigueur_data()
    {
        QTest::addColumn<QVariant>("stockee");
        QTest::addColumn<QStringList>("attendue");
        QTest::newRow("absente") << QVariant() << partagesParDefaut;
        QTest::newRow("liste vide en vigueur") << QVariant(QStringList()) << QStringList();
        QTest::newRow("un seul partage") << QVariant(QStringList{u"PROJETS"_s}) << QStringList{u"PROJETS"_s};
        QTest::newRow("chaîne") << QVariant(u"DATA"_s) << partagesParDefaut;
        QTest::newRow("liste de nombres") << QVariant(QVariantList{1, 2}) << partagesParDefaut;
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
