#include "core/Affichage.h"
#include "core/DateISO.h"
#include "core/Transfert.h"
#include "support/ExecuterTests.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAffichage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tailles_data()
    {
        QTest::addColumn<qint64>("octets");
        QTest::addColumn<QString>("texte");
        QTest::newRow("zéro") << qint64(0) << u"0 o"_s;
        QTest::newRow("négatif") << qint64(-5) << u"-5 o"_s;
        QTest::newRow("999") << qint64(999) << u"999 o"_s;
        QTest::newRow("1000") << qint64(1000) << u"1,0 Ko"_s;
        QTest::newRow("1536") << qint64(1536) << u"1,5 Ko"_s;
        QTest::newRow("99 960 arrondi vers le haut") << qint64(99960) << u"100,0 Ko"_s;
        QTest::newRow("150 000") << qint64(150000) << u"150 Ko"_s;
        // Exact halves round to even, as printf does.
        QTest::newRow("1250, moitié exacte") << qint64(1250) << u"1,2 Ko"_s;
        QTest::newRow("150 500, moitié exacte") << qint64(150500) << u"150 Ko"_s;
        QTest::newRow("999 999 reste en Ko") << qint64(999999) << u"1000 Ko"_s;
        QTest::newRow("1 Mo") << qint64(1000000) << u"1,0 Mo"_s;
        QTest::newRow("2,5 Mo") << qint64(2500000) << u"2,5 Mo"_s;
        QTest::newRow("1 To") << qint64(1000000000000) << u"1,0 To"_s;
        QTest::newRow("10^16 reste en To") << qint64(10000000000000000) << u"10000 To"_s;
        QTest::newRow("maximum") << std::numeric_limits<qint64>::max() << u"9223372 To"_s;
    }
    void tailles()
    {
        QFETCH(qint64, octets);
        QFETCH(QString, texte);
        QCOMPARE(formaterTaille(octets), texte);
    }

    void dates_data()
    {
        QTest::addColumn<QDate>("jour");
        QTest::addColumn<QString>("texte");
        QTest::newRow("décembre") << QDate(2026, 12, 4) << u"4 décembre 2026"_s;
        QTest::newRow("janvier, deux chiffres") << QDate(2027, 1, 31) << u"31 janvier 2027"_s;
        QTest::newRow("février") << QDate(2026, 2, 1) << u"1 février 2026"_s;
        QTest::newRow("août") << QDate(2026, 8, 15) << u"15 août 2026"_s;
    }
    void dates()
    {
        QFETCH(QDate, jour);
        QFETCH(QString, texte);
        // Late evening local time: the local date must be shown, not the UTC one.
        QCOMPARE(formaterDate(QDateTime(jour, QTime(23, 30))), texte);
        QCOMPARE(formaterDate(QDateTime(jour, QTime(0, 10))), texte);
    }

    void lectureDates_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QDateTime>("attendu");
        const QDateTime ref(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC);
        QTest::newRow("Z") << u"2026-12-04T09:30:00Z"_s << ref;
        QTest::newRow("décalage +01:00") << u"2026-12-04T10:30:00+01:00"_s << ref;
        QTest::newRow("décalage -05:00") << u"2026-12-04T04:30:00-05:00"_s << ref;
        QTest::newRow("fractions") << u"2026-12-04T09:30:00.250Z"_s << QDateTime();
        QTest::newRow("sans zone") << u"2026-12-04T09:30:00"_s << QDateTime();
        QTest::newRow("date seule") << u"2026-12-04"_s << QDateTime();
        QTest::newRow("sans secondes") << u"2026-12-04T09:30Z"_s << QDateTime();
        QTest::newRow("espace au lieu de T") << u"2026-12-04 09:30:00Z"_s << QDateTime();
        QTest::newRow("z minuscule") << u"2026-12-04T09:30:00z"_s << QDateTime();
        QTest::newRow("décalage sans deux-points") << u"2026-12-04T09:30:00+0100"_s << QDateTime();
        QTest::newRow("30 février") << u"2026-02-30T09:30:00Z"_s << QDateTime();
        QTest::newRow("heure 24") << u"2026-12-04T24:00:00Z"_s << QDateTime();
        QTest::newRow("espace en fin") << u"2026-12-04T09:30:00Z "_s << QDateTime();
        QTest::newRow("vide") << QString() << QDateTime();
        QTest::newRow("chiffres arabes") << u"٢٠٢٦-12-04T09:30:00Z"_s << QDateTime();
    }
    void lectureDates()
    {
        QFETCH(QString, texte);
        QFETCH(QDateTime, attendu);
        const std::optional<QDateTime> lue = lireDateISO(texte);
        QCOMPARE(lue.has_value(), attendu.isValid());
        if (lue) {
            QCOMPARE(*lue, attendu);
        }
    }

    void ecritureDates()
    {
        const QDateTime avecMillisecondes(QDate(2026, 12, 4), QTime(10, 30, 0, 999), Qt::OffsetFromUTC, 3600);
        QCOMPARE(ecrireDateISO(avecMillisecondes), u"2026-12-04T09:30:00Z"_s);
        QCOMPARE(lireDateISO(ecrireDateISO(avecMillisecondes)),
                 QDateTime(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC));
    }

    void tokens()
    {
        QSet<QChar> vus;
        QSet<QString> tokens;
        for (int i = 0; i < 2000; ++i) {
            const QString token = nouveauToken();
            QCOMPARE(token.size(), 10);
            for (QChar c : token) {
                QVERIFY2(alphabetToken.contains(c), qPrintable(token));
                vus.insert(c);
            }
            tokens.insert(token);
        }
        // 20 000 draws: every one of the 36 characters shows up, and no token repeats.
        QCOMPARE(vus.size(), 36);
        QCOMPARE(tokens.size(), 2000);
    }

    void expireBientot_data()
    {
        QTest::addColumn<std::optional<qint64>>("secondes");
        QTest::addColumn<bool>("bientot");
        QTest::newRow("sans expiration") << std::optional<qint64>() << false;
        QTest::newRow("dans une heure") << std::optional<qint64>(3600) << true;
        QTest::newRow("il y a une heure") << std::optional<qint64>(-3600) << false;
        QTest::newRow("maintenant") << std::optional<qint64>(0) << false;
        QTest::newRow("dans 86399 s") << std::optional<qint64>(86399) << true;
        QTest::newRow("dans 86400 s") << std::optional<qint64>(86400) << false;
        QTest::newRow("dans une semaine") << std::optional<qint64>(7 * 86400) << false;
    }
    void expireBientot()
    {
        QFETCH(std::optional<qint64>, secondes);
        QFETCH(bool, bientot);
        const QDateTime maintenant(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC);
        Transfert t;
        if (secondes) {
            t.expireLe = maintenant.addSecs(*secondes);
        }
        QCOMPARE(t.expireBientot(maintenant), bientot);
    }
};

VALTO_INSCRIRE_TESTS(TestAffichage)
#include "TestAffichage.moc"
