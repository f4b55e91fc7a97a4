#include "core/Partages.h"
#include "nas/Placement.h"
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
        // After an off-NAS file, which keeps its place.
        const QString ailleurs = u"/Users/a/1.jpg"_s;
        const Placement attendu =
            reference.isEmpty() ? Placement{{}, {ailleurs, chemin}} : Placement{{reference}, {ailleurs}};
        QCOMPARE(classer({ailleurs, chemin}, partages, u"/Volumes"_s), attendu);
    }
};

VALTO_INSCRIRE_TESTS(TestPlacement)
#include "TestPlacement.moc"
