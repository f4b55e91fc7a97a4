#include "flow/TailleTotale.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTailleTotale final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arborescence()
    {
        EnvironnementTest env;
        const QString fichier = env.creerFichier(u"seul.bin"_s, QByteArray(1234, 'x'));
        env.creerFichier(u"Projet/a.txt"_s, QByteArray(100, 'a'));
        env.creerFichier(u"Projet/.cache"_s, QByteArray(10, 'h'));
        env.creerFichier(u"Projet/.DS_Store"_s, QByteArray(6, 'd'));
        env.creerFichier(u"Projet/Sous/Plus bas/b.txt"_s, QByteArray(1000, 'b'));
        env.creerDossier(u"Projet/Vide"_s);
        const QString dossier = env.chemin(u"Projet"_s);

        QCOMPARE(tailleTotale({}), 0);
        QCOMPARE(tailleTotale({fichier}), 1234);
        QCOMPARE(tailleTotale({dossier}), 1116);
        QCOMPARE(tailleTotale({fichier, dossier, env.chemin(u"absent"_s)}), 2350);
        QCOMPARE(tailleTotale({fichier, fichier}), 2468);
    }

    void liens()
    {
        EnvironnementTest env;
        env.creerFichier(u"Cible/gros.bin"_s, QByteArray(5000, 'g'));
        env.creerFichier(u"Projet/a.txt"_s, QByteArray(100, 'a'));
        const QString projet = env.chemin(u"Projet"_s);
        QVERIFY(QFile::link(env.chemin(u"Cible/gros.bin"_s), projet + u"/lien-fichier"_s));
        QVERIFY(QFile::link(env.chemin(u"Cible"_s), projet + u"/lien-dossier"_s));
        QVERIFY(QFile::link(projet, projet + u"/boucle"_s));
        QVERIFY(QFile::link(env.chemin(u"nulle-part"_s), projet + u"/cassé"_s));

        // A link to a file counts the file; links to folders (an ancestor included) are not walked.
        QCOMPARE(tailleTotale({projet}), 5100);
        // A dropped link to a folder is the folder.
        QVERIFY(QFile::link(env.chemin(u"Cible"_s), env.chemin(u"raccourci"_s)));
        QCOMPARE(tailleTotale({env.chemin(u"raccourci"_s)}), 5000);
    }
};

VALTO_INSCRIRE_TESTS(TestTailleTotale)
#include "TestTailleTotale.moc"
