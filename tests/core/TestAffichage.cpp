#include "core/Affichage.h"
#include "core/DateISO.h"
#include "core/Transfert.h"
#include "support/ExecuterTests.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Runs with TZ set to UTC+14 (tests/CMakeLists.txt), so a local-time mistake shows.
class TestAffichage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tailles_data()
    {
        QTest::addColumn<qint64>("octets");
        QTest::addColumn<QString>("texte");
        QTest::newRow("999") << qint64(999) << u"999 o"_s;
        QTest::newRow("1000") << qint64(1000) << u"1,0 Ko"_s;
        QTest::newRow("1250, moitié exacte vers le pair") << qint64(1250) << u"1,2 Ko"_s;
        QTest::newRow("99 960 arrondi à 100,0") << qint64(99960) << u"100,0 Ko"_s;
        QTest::newRow("100 000") << qint64(100000) << u"100 Ko"_s;
        QTest::newRow("999 999 reste en Ko") << qint64(999999) << u"1000 Ko"_s;
        QTest::newRow("1 000 000") << qint64(1000000) << u"1,0 Mo"_s;
        QTest::newRow("10^16 reste en To") << qint64(10000000000000000) << u"10000 To"_s;
    }
    void tailles()
    {
        QFETCH(qint64, octets);
        QTEST(formaterTaille(octets), "texte");
    }

    // Read as the server writes them, shown as the local day.
    void dates_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QDateTime>("attendu"); // invalid: does not parse
        QTest::addColumn<QString>("jour");
        const QDateTime ref(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC);
        QTest::newRow("Z, 23 h 30 locales") << u"2026-12-04T09:30:00Z"_s << ref << u"4 décembre 2026"_s;
        QTest::newRow("décalage -05:00") << u"2026-12-04T04:30:00-05:00"_s << ref << u"4 décembre 2026"_s;
        QTest::newRow("23 h, +14:00") << u"2026-12-04T23:30:00+14:00"_s << ref << u"4 décembre 2026"_s;
        QTest::newRow("août, jour à un chiffre")
            << u"2026-07-31T12:00:00Z"_s << QDateTime(QDate(2026, 7, 31), QTime(12, 0), Qt::UTC)
            << u"1 août 2026"_s;
        QTest::newRow("sans zone") << u"2026-12-04T09:30:00"_s << QDateTime() << QString();
        QTest::newRow("30 février") << u"2026-02-30T09:30:00Z"_s << QDateTime() << QString();
        QTest::newRow("espace en fin") << u"2026-12-04T09:30:00Z "_s << QDateTime() << QString();
        QTest::newRow("décalage sans minutes") << u"2026-12-04T10:30:00+01"_s << QDateTime() << QString();
    }
    void dates()
    {
        QFETCH(QString, texte);
        const std::optional<QDateTime> lue = lireDateISO(texte);
        QTEST(lue.value_or(QDateTime()), "attendu");
        QTEST(lue ? formaterDate(*lue) : QString(), "jour");
    }

    // Ten characters of the alphabet; a long text loses its middle, never half of a two-unit character.
    void textesCourts()
    {
        QVERIFY(QRegularExpression(u"^[a-z0-9]{10}$"_s).match(nouveauToken()).hasMatch());
        QCOMPARE(abregerAuMilieu(u"0123456789"_s, 10), u"0123456789"_s);
        QCOMPARE(abregerAuMilieu(u"0123456789ab"_s, 10), u"012…6789ab"_s);
        QCOMPARE(abregerAuMilieu(u"01😀xy😀abcde"_s, 10), u"01…abcde"_s);
        QCOMPARE(QStringList({formaterExpiration(0), formaterExpiration(1), formaterExpiration(2)}),
                 (QStringList{u"jamais"_s, u"1 jour"_s, u"2 jours"_s}));
    }

    // Within a day of its expiry and not yet expired: the history shows the date in the warning colour.
    void expireBientot()
    {
        const QDateTime maintenant(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC);
        Transfert t;
        QList<bool> bientot{t.expireBientot(maintenant)};
        for (const qint64 secondes : {-3600, 0, 86399, 86400}) {
            t.expireLe = maintenant.addSecs(secondes);
            bientot.append(t.expireBientot(maintenant));
        }
        QCOMPARE(bientot, (QList<bool>{false, false, false, true, false}));
    }
};

VALTO_INSCRIRE_TESTS(TestAffichage)
#include "TestAffichage.moc"
