#include "flow/TailleTotale.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestIntake final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a drop keeps, and the title it proposes; a name ending in '/' is a folder, "-" one that is absent.
    void ajouter_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QStringList>("gardes");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<qint64>("octets");
        using L = QStringList;
        QTest::newRow("un fichier à deux points")
            << Mode::transfert << L{u"rapport.final.pdf"_s} << L{u"rapport.final.pdf"_s} << u"rapport.final"_s
            << qint64(3);
        QTest::newRow("dossier et absent") << Mode::transfert << L{u"Projet/"_s, u"-absent.jpg"_s}
                                           << L{u"Projet"_s} << u"Projet"_s << qint64(0);
        QTest::newRow("plusieurs, le jour local")
            << Mode::transfert << L{u"a.jpg"_s, u"b.jpg"_s} << L{u"a.jpg"_s, u"b.jpg"_s}
            << u"Transfert du 5 décembre 2026"_s << qint64(6);
        QTest::newRow("comparaison, les deux premiers acceptables")
            << Mode::compare
            << L{u"notes.txt"_s, u"avant.JPG"_s, u"Dossier.png/"_s, u".jpg"_s, u"apres.pdf"_s, u"trop.png"_s}
            << L{u"avant.JPG"_s, u"apres.pdf"_s} << u"avant vs apres"_s << qint64(6);
        QTest::newRow("comparaison, rien d'acceptable")
            << Mode::compare << L{u"-disparu.jpg"_s, u"notes.txt"_s} << L{} << QString() << qint64(0);
    }
    void ajouter()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, noms);
        QFETCH(QStringList, gardes);
        QFETCH(qint64, octets);
        EnvironnementTest env;
        env.plateforme().maintenant = [] { return QDateTime(QDate(2026, 12, 4), QTime(10, 30), Qt::UTC); };
        TransferFlow flow(mode, env.preferences(), env.plateforme());
        QSignalSpy urls(&flow, &TransferFlow::urlsChanged);
        flow.ajouter(projeter(noms, [&](const QString& nom) {
            return nom.startsWith(u'-') ? env.chemin(nom.mid(1))
                   : nom.endsWith(u'/') ? env.creerDossier(nom.chopped(1))
                                        : env.creerFichier(nom, "abc");
        }));
        // The options screen lists the files from this signal.
        QCOMPARE(urls.size(), gardes.isEmpty() ? 0 : 1);
        QCOMPARE(flow.urls(), gardes.replaceInStrings(QRegularExpression(u"^"_s), env.chemin({}) + u'/'));
        QTEST(flow.titre(), "titre");
        QTRY_COMPARE(flow.octetsTotal(), octets);
        QCOMPARE(flow.etape(), gardes.isEmpty() ? Etape::attente() : Etape::options());
    }

    // A second drop adds what is new and keeps a typed title; removing the last file starts over, with
    // the expiry read again from the preferences.
    void ajouterPuisRetirer()
    {
        EnvironnementTest env;
        const QString a = env.creerFichier(u"a.jpg"_s, "aa");
        const QString b = env.creerFichier(u"b.jpg"_s, "bbb");
        TransferFlow flow(Mode::transfert, env.preferences(), env.plateforme());
        flow.ajouter({a});
        QSignalSpy titres(&flow, &TransferFlow::titreChanged);
        flow.setTitre(u"  "_s);
        flow.setMotDePasse(u"secret"_s);
        flow.setExpirationJours(30);
        flow.ajouter({a, b});
        QVERIFY(flow.urls() == (QStringList{a, b}) && flow.titre() == u"  "_s && titres.size() == 1);
        flow.retirer(a);
        QTRY_COMPARE(flow.octetsTotal(), 3);
        QCOMPARE(flow.etape(), Etape::options());

        env.preferences().ecrire(Preferences::cleDefaultExpiryDays, 0);
        flow.retirer(b);
        QVERIFY(flow.etape() == Etape::attente() && flow.titre().isEmpty() && flow.motDePasse().isEmpty());
        QVERIFY(flow.octetsTotal() == 0 && flow.expirationJours() == 0);
    }

    // Hidden files count; a link to a file counts the file, links to folders inside a folder (an ancestor
    // included) are not walked, but a dropped link to a folder is that folder.
    void tailles()
    {
        EnvironnementTest env;
        const QString fichier = env.creerFichier(u"seul.bin"_s, QByteArray(1234, 'x'));
        env.creerFichier(u"Cible/gros.bin"_s, QByteArray(5000, 'g'));
        env.creerFichier(u"Projet/.cache"_s, QByteArray(10, 'h'));
        env.creerFichier(u"Projet/Sous/b.txt"_s, QByteArray(1000, 'b'));
        const QString projet = env.chemin(u"Projet"_s);
        QVERIFY(QFile::link(env.chemin(u"Cible/gros.bin"_s), projet + u"/lien-fichier"_s));
        QVERIFY(QFile::link(env.chemin(u"Cible"_s), projet + u"/lien-dossier"_s));
        QVERIFY(QFile::link(projet, projet + u"/boucle"_s));
        QVERIFY(QFile::link(env.chemin(u"nulle-part"_s), projet + u"/cassé"_s));
        QVERIFY(QFile::link(env.chemin(u"Cible"_s), env.chemin(u"raccourci"_s)));

        QCOMPARE(tailleTotale({projet}), 6010);
        QCOMPARE(tailleTotale({fichier, fichier, env.chemin(u"raccourci"_s), env.chemin(u"absent"_s)}), 7468);
    }
};

VALTO_INSCRIRE_TESTS(TestIntake)
#include "TestIntake.moc"
