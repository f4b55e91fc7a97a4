#include "nas/NASCopier.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString copiesParDefaut = u"Volumes/DATA/Valto Transferts"_s;
const QString token = u"abc123defg"_s;

// "path=contents" entries joined by '|'; a folder's path ends with '/'. In a source tree, a link's
// contents are "->" and its target, a FIFO's "<fifo>".
Arbre arbre(const QString& texte)
{
    Arbre resultat;
    for (const QString& entree : texte.split(u'|', Qt::SkipEmptyParts)) {
        resultat.insert(entree.section(u'=', 0, 0), entree.section(u'=', 1).toUtf8());
    }
    return resultat;
}

// Builds `arbre` in the home folder.
void preparer(EnvironnementTest& env, const Arbre& arbre)
{
    env.creerDossier(u"home"_s);
    for (auto [relatif, contenu] : arbre.asKeyValueRange()) {
        const QString chemin = env.chemin(u"home/"_s + relatif);
        QDir().mkpath(relatif.endsWith(u'/') ? chemin : QFileInfo(chemin).path());
        if (contenu == "<fifo>") {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else if (contenu.startsWith("->")) {
            QVERIFY(QFile::link(QString::fromUtf8(contenu.mid(2)), chemin));
        } else if (!relatif.endsWith(u'/')) {
            env.creerFichier(u"home/"_s + relatif, contenu);
        }
    }
}

// Copies the home folder's `relatifs`; returns the error's text, empty on success.
QString copier(EnvironnementTest& env, QStringList relatifs, const QString& copies = copiesParDefaut)
{
    relatifs.replaceInStrings(QRegularExpression(u"^"_s), env.chemin(u"home/"_s));
    const auto resultat = NASCopier::copier(relatifs, token, env.chemin(copies), [](qint64) {});
    return resultat ? QString() : description(resultat.error());
}

QString dossierTransfert(const EnvironnementTest& env)
{
    return env.chemin(copiesParDefaut + u'/' + token);
}

} // namespace

class TestNASCopier final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A success leaves exactly the tree `attendu`; a refusal or the first failure stops with its text.
    void copie_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("urls");
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QString>("attendu"); // %1: the home folder
        QTest::newRow("cachés gardés, .DS_Store sautés sauf choisi seul")
            << u"P/a.txt=a|P/.cache=c|P/sous/.git/HEAD=h|P/vide/=|P/.DS_Store=x|P/sous/.DS_Store=x|Bureau/.DS_Store=seul"_s
            << u"P|Bureau/.DS_Store"_s << copiesParDefaut
            << u".DS_Store=seul|P/=|P/.cache=c|P/a.txt=a|P/sous/=|P/sous/.git/=|P/sous/.git/HEAD=h|P/vide/="_s;
        // A later namesake is numbered before a file's extension (a folder's dot is no extension), never
        // overwritten nor merged.
        QTest::newRow("homonymes")
            << u"A/p.jpg=1|B/p.jpg=2|D/p 2.jpg=3|A/.env=4|B/.env=5|A/v1.2/f=6|B/v1.2/f=7"_s
            << u"A/p.jpg|B/p.jpg|D/p 2.jpg|A/.env|B/.env|A/v1.2|B/v1.2"_s << copiesParDefaut
            << u".env=4|.env 2=5|p 2 2.jpg=3|p 2.jpg=2|p.jpg=1|v1.2 2/=|v1.2 2/f=7|v1.2/=|v1.2/f=6"_s;
        // Followed, under the link's own name; one folder reached by two links is no loop.
        QTest::newRow("liens suivis")
            << u"vrai.txt=v|Cible/c.txt=c|lien.txt=->vrai.txt|P/un=->../Cible|P/deux=->../Cible"_s
            << u"lien.txt|P"_s << copiesParDefaut
            << u"P/=|P/deux/=|P/deux/c.txt=c|P/un/=|P/un/c.txt=c|lien.txt=v"_s;
        QTest::newRow("lien mort dans un dossier")
            << u"P/a.txt=a|P/mort=->absent"_s << u"P"_s << copiesParDefaut
            << u"Copie de « %1/P/mort » impossible : "_s + u"Aucun fichier ou dossier de ce nom"_s;
        QTest::newRow("lecture refusée") << u"mem=->/proc/self/mem"_s << u"mem"_s << copiesParDefaut
                                         << u"Copie de « %1/mem » impossible : Erreur d'entrée-sortie"_s;
        // Never opened to find out: a FIFO would block the copy for ever, a device fill the disk.
        QTest::newRow("FIFO dans un dossier")
            << u"P/a.txt=a|P/tube=<fifo>"_s << u"P"_s << copiesParDefaut
            << u"« %1/P/tube » n'est pas un fichier ordinaire : copie interrompue."_s;
        QTest::newRow("lien vers un ancêtre")
            << u"P/a.txt=a|P/sous/retour=->.."_s << u"P"_s << copiesParDefaut
            << u"Boucle de liens symboliques dans « %1/P/sous/retour » : copie interrompue."_s;
        QTest::newRow("dossier des copies à l'intérieur de la source")
            << u"Dossier/Copies/="_s << u"Dossier"_s << u"home/Dossier/Copies"_s
            << u"Le dossier de destination se trouve parmi les fichiers à copier "
               u"(« %1/Dossier/Copies/abc123defg ») : copie interrompue."_s;
        // Refusals before anything is written.
        QTest::newRow("dossier des copies absent")
            << u"a.txt=a"_s << u"a.txt"_s << u"home/absent"_s
            << u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est "
               u"introuvable (%1/absent). Connecte le partage DATA dans le Finder, puis réessaie."_s;
        QTest::newRow("dossier du transfert existant")
            << u"a.txt=a|C/abc123defg/a.txt=ancien"_s << u"a.txt"_s << u"home/C"_s
            << u"Collision de token (abc123defg) — relance le transfert."_s;
    }
    void copie()
    {
        QFETCH(QString, source);
        QFETCH(QString, urls);
        QFETCH(QString, copies);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        preparer(env, arbre(source));
        const QString erreur = copier(env, urls.split(u'|'), copies);
        QCOMPARE(erreur.isEmpty() ? lireArbre(dossierTransfert(env)) : arbre(erreur),
                 arbre(attendu.replace(u"%1"_s, env.chemin(u"home"_s))));
    }

    // A full disk (here a file size limit) stops the copy with the system's reason.
    void disquePlein()
    {
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        env.creerFichier(u"home/gros.bin"_s, QByteArray(2 * NASCopier::tailleBloc, 'g'));
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{rlim_t(NASCopier::tailleBloc), RLIM_INFINITY},
            sansLimite{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limite);
        const QString erreur = copier(env, {u"gros.bin"_s});
        setrlimit(RLIMIT_FSIZE, &sansLimite);
        QCOMPARE(erreur, u"Copie de « %1 » impossible : %2"_s.arg(env.chemin(u"home/gros.bin"_s),
                                                                  ErreurSysteme::depuisCode(EFBIG).texte));
    }

    // A stop request ends the copy at the next chunk, or before the first file when it came first: an
    // abandoned transfer does not run on for minutes, nor leave files behind.
    void arret_data()
    {
        QTest::addColumn<bool>("avant");
        QTest::addColumn<QStringList>("copies");
        QTest::newRow("entre deux blocs") << false << QStringList{u"gros.bin"_s};
        QTest::newRow("avant le premier fichier") << true << QStringList();
    }
    void arret()
    {
        QFETCH(bool, avant);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        const QString gros = env.creerFichier(u"home/gros.bin"_s, QByteArray(3 * NASCopier::tailleBloc, 'g'));
        std::stop_source arret;
        if (avant) {
            arret.request_stop();
        }
        QList<qint64> progression;
        const auto resultat = NASCopier::copier(
            {gros, env.creerFichier(u"home/petit.bin"_s, "p")}, token, env.chemin(copiesParDefaut),
            [&](qint64 octets) {
                progression.append(octets);
                arret.request_stop();
            },
            arret.get_token());
        QVERIFY(!resultat && description(resultat.error()).endsWith(u"Copie annulée."_s));
        QCOMPARE(progression, avant ? QList<qint64>() : QList<qint64>{NASCopier::tailleBloc});
        QTEST(QDir(dossierTransfert(env)).entryList(QDir::Files), "copies");
    }
};

VALTO_INSCRIRE_TESTS(TestNASCopier)
#include "TestNASCopier.moc"
