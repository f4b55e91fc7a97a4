#include "flow/TailleTotale.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTailleTotale final : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

VALTO_INSCRIRE_TESTS(TestTailleTotale)
#include "TestTailleTotale.moc"
