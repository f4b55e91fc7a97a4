#include "EnvironnementTest.h"
#include "ExecuterTests.h"
#include "nas/NASCopier.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// Relative path → contents; a folder is a path ending with '/' and no contents.
using Arbre = QMap<QString, QByteArray>;
// Link path → target, both under the home folder.
using Liens = QMap<QString, QString>;

const QString copiesParDefaut = u"Volumes/DATA/Valto Transferts"_s;
const QString token = u"abc123defg"_s;

struct Essai {
    std::expected<void, ErreurCopie> resultat;
    QList<qint64> progression;
};

void preparer(EnvironnementTest& env, const Arbre& fichiers, const Liens& liens = {})
{
    env.creerDossier(u"home"_s);
    for (auto [chemin, contenu] : fichiers.asKeyValueRange()) {
        if (chemin.endsWith(u'/')) {
            env.creerDossier(u"home/"_s + chemin);
        } else {
            env.creerFichier(u"home/"_s + chemin, contenu);
        }
    }
    for (auto [lien, cible] : liens.asKeyValueRange()) {
        QVERIFY(QFile::link(cible, env.chemin(u"home/"_s + lien)));
    }
}

Essai copier(EnvironnementTest& env, const QStringList& relatifs, const QString& copies = copiesParDefaut)
{
    QStringList urls;
    for (const QString& relatif : relatifs) {
        urls.append(env.chemin(u"home/"_s + relatif));
    }
    QList<qint64> progression;
    auto resultat = NASCopier::copier(urls, token, env.chemin(copies),
                                      [&progression](qint64 octets) { progression.append(octets); });
    return {resultat, progression};
}

Arbre lireArbre(const QString& racine)
{
    Arbre arbre;
    QDirIterator parcours(racine, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (parcours.hasNext()) {
        const QFileInfo info(parcours.next());
        const QString relatif = QDir(racine).relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            arbre.insert(relatif, "<lien>");
        } else if (info.isDir()) {
            arbre.insert(relatif + u'/', {});
        } else {
            QFile fichier(info.filePath());
            fichier.open(QIODevice::ReadOnly);
            arbre.insert(relatif, fichier.readAll());
        }
    }
    return arbre;
}

QString dossierTransfert(const EnvironnementTest& env)
{
    return env.chemin(copiesParDefaut + u'/' + token);
}

QByteArray octetsAleatoires(qsizetype taille)
{
    QByteArray donnees(taille, Qt::Uninitialized);
    QRandomGenerator generateur(42);
    for (char& octet : donnees) {
        octet = char(generateur.bounded(256));
    }
    return donnees;
}

QString messageErreur(const std::expected<void, ErreurCopie>& resultat)
{
    return resultat ? QString() : description(resultat.error());
}

} // namespace

class TestNASCopier final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void montageAbsent()
    {
        EnvironnementTest env;
        preparer(env, {{u"a.txt"_s, "a"}});
        const Essai essai = copier(env, {u"a.txt"_s});
        QCOMPARE(essai.resultat,
                 std::unexpected(ErreurCopie(NASCopierErreur::montageAbsent(env.chemin(copiesParDefaut)))));
        QCOMPARE(
            messageErreur(essai.resultat),
            u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est introuvable ("_s +
                env.chemin(copiesParDefaut) +
                u"). Connecte le partage DATA dans le Finder, puis réessaie."_s);
        QVERIFY(!QFileInfo::exists(env.chemin(copiesParDefaut)));
    }

    void dossierExistant_data()
    {
        QTest::addColumn<bool>("lienMort");
        QTest::newRow("dossier avec contenu") << false;
        QTest::newRow("lien mort") << true;
    }
    void dossierExistant()
    {
        QFETCH(bool, lienMort);
        EnvironnementTest env;
        preparer(env, {{u"a.txt"_s, "nouveau"}});
        env.creerDossier(copiesParDefaut);
        if (lienMort) {
            QVERIFY(QFile::link(u"ailleurs"_s, dossierTransfert(env)));
        } else {
            env.creerFichier(copiesParDefaut + u'/' + token + u"/a.txt"_s, "ancien");
        }
        const Arbre avant = lireArbre(env.chemin(copiesParDefaut));

        const Essai essai = copier(env, {u"a.txt"_s});

        QCOMPARE(messageErreur(essai.resultat), u"Collision de token (abc123defg) — relance le transfert."_s);
        QCOMPARE(lireArbre(env.chemin(copiesParDefaut)), avant);
    }

    void progression_data()
    {
        QTest::addColumn<qsizetype>("taille");
        QTest::addColumn<QList<qint64>>("attendue");
        QTest::newRow("vide") << qsizetype(0) << QList<qint64>{};
        QTest::newRow("un octet") << qsizetype(1) << QList<qint64>{1};
        QTest::newRow("un bloc juste") << qsizetype(1048576) << QList<qint64>{1048576};
        QTest::newRow("2,5 Mio") << qsizetype(2621440) << QList<qint64>{1048576, 2097152, 2621440};
    }
    void progression()
    {
        QFETCH(qsizetype, taille);
        QFETCH(QList<qint64>, attendue);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        const QByteArray contenu = octetsAleatoires(taille);
        preparer(env, {{u"donnees.bin"_s, contenu}});

        const Essai essai = copier(env, {u"donnees.bin"_s});

        QVERIFY(essai.resultat);
        QCOMPARE(essai.progression, attendue);
        QCOMPARE(lireArbre(dossierTransfert(env)), Arbre({{u"donnees.bin"_s, contenu}}));
    }

    void compteContinueDeFichierEnFichier()
    {
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        preparer(env, {{u"un.bin"_s, octetsAleatoires(1572864)}, {u"D/deux.bin"_s, octetsAleatoires(10)}});
        const Essai essai = copier(env, {u"un.bin"_s, u"D"_s});
        QVERIFY(essai.resultat);
        QCOMPARE(essai.progression, QList<qint64>({1048576, 1572864, 1572874}));
    }

    void copie_data()
    {
        QTest::addColumn<Arbre>("source");
        QTest::addColumn<Liens>("liens");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<Arbre>("attendu");

        QTest::newRow("dossiers et fichiers cachés")
            << Arbre{{u"Projet/a.txt"_s, "a"},
                     {u"Projet/.cache"_s, "c"},
                     {u"Projet/sous/.git/HEAD"_s, "h"},
                     {u"Projet/vide/"_s, {}},
                     {u"b.txt"_s, "b"}}
            << Liens{} << QStringList{u"Projet"_s, u"b.txt"_s}
            << Arbre{{u"Projet/"_s, {}},           {u"Projet/a.txt"_s, "a"},
                     {u"Projet/.cache"_s, "c"},    {u"Projet/sous/"_s, {}},
                     {u"Projet/sous/.git/"_s, {}}, {u"Projet/sous/.git/HEAD"_s, "h"},
                     {u"Projet/vide/"_s, {}},      {u"b.txt"_s, "b"}};
        QTest::newRow(".DS_Store sautés dans les dossiers, gardé seul")
            << Arbre{{u"P/.DS_Store"_s, "x"},
                     {u"P/a/b/.DS_Store"_s, "x"},
                     {u"P/a/b/c.txt"_s, "c"},
                     {u"Bureau/.DS_Store"_s, "seul"}}
            << Liens{} << QStringList{u"P"_s, u"Bureau/.DS_Store"_s}
            << Arbre{{u"P/"_s, {}},
                     {u"P/a/"_s, {}},
                     {u"P/a/b/"_s, {}},
                     {u"P/a/b/c.txt"_s, "c"},
                     {u".DS_Store"_s, "seul"}};
        QTest::newRow("fichiers homonymes")
            << Arbre{{u"A/photo.jpg"_s, "1"}, {u"B/photo.jpg"_s, "2"}, {u"C/photo.jpg"_s, "3"}} << Liens{}
            << QStringList{u"A/photo.jpg"_s, u"B/photo.jpg"_s, u"C/photo.jpg"_s}
            << Arbre{{u"photo.jpg"_s, "1"}, {u"photo 2.jpg"_s, "2"}, {u"photo 3.jpg"_s, "3"}};
        QTest::newRow("dossiers homonymes non fusionnés")
            << Arbre{{u"A/Export/x.txt"_s, "a"}, {u"B/Export/x.txt"_s, "b"}, {u"B/Export/y.txt"_s, "y"}}
            << Liens{} << QStringList{u"A/Export"_s, u"B/Export"_s}
            << Arbre{{u"Export/"_s, {}},
                     {u"Export/x.txt"_s, "a"},
                     {u"Export 2/"_s, {}},
                     {u"Export 2/x.txt"_s, "b"},
                     {u"Export 2/y.txt"_s, "y"}};
        QTest::newRow("homonymes sans extension ou à points")
            << Arbre{{u"A/.env"_s, "1"},   {u"B/.env"_s, "2"},     {u"A/v1.2/f"_s, "3"},
                     {u"B/v1.2/f"_s, "4"}, {u"A/a.tar.gz"_s, "5"}, {u"B/a.tar.gz"_s, "6"}}
            << Liens{} << QStringList{u"A/.env"_s, u"B/.env"_s,     u"A/v1.2"_s,
                                      u"B/v1.2"_s, u"A/a.tar.gz"_s, u"B/a.tar.gz"_s}
            << Arbre{{u".env"_s, "1"},   {u".env 2"_s, "2"},   {u"v1.2/"_s, {}},     {u"v1.2/f"_s, "3"},
                     {u"v1.2 2/"_s, {}}, {u"v1.2 2/f"_s, "4"}, {u"a.tar.gz"_s, "5"}, {u"a.tar 2.gz"_s, "6"}};
        QTest::newRow("un dossier et un fichier du même nom")
            << Arbre{{u"A/Export/x.txt"_s, "x"}, {u"B/Export"_s, "f"}} << Liens{}
            << QStringList{u"A/Export"_s, u"B/Export"_s}
            << Arbre{{u"Export/"_s, {}}, {u"Export/x.txt"_s, "x"}, {u"Export 2"_s, "f"}};
        QTest::newRow("un nom déjà numéroté")
            << Arbre{{u"A/f.txt"_s, "1"}, {u"B/f.txt"_s, "2"}, {u"C/f 2.txt"_s, "3"}} << Liens{}
            << QStringList{u"A/f.txt"_s, u"B/f.txt"_s, u"C/f 2.txt"_s}
            << Arbre{{u"f.txt"_s, "1"}, {u"f 2.txt"_s, "2"}, {u"f 2 2.txt"_s, "3"}};
        QTest::newRow("liens suivis")
            << Arbre{{u"vrai.txt"_s, "v"}, {u"Cible/c.txt"_s, "c"}, {u"P/p.txt"_s, "p"}}
            << Liens{{u"lien.txt"_s, u"vrai.txt"_s},
                     {u"P/vers-cible"_s, u"../Cible"_s},
                     {u"P/f"_s, u"../vrai.txt"_s},
                     {u"LienDossier"_s, u"Cible"_s}}
            << QStringList{u"lien.txt"_s, u"P"_s, u"LienDossier"_s}
            << Arbre{{u"lien.txt"_s, "v"},     {u"P/"_s, {}},
                     {u"P/p.txt"_s, "p"},      {u"P/f"_s, "v"},
                     {u"P/vers-cible/"_s, {}}, {u"P/vers-cible/c.txt"_s, "c"},
                     {u"LienDossier/"_s, {}},  {u"LienDossier/c.txt"_s, "c"}};
        QTest::newRow("même dossier par deux liens, sans boucle")
            << Arbre{{u"Cible/c.txt"_s, "c"}, {u"P/"_s, {}}}
            << Liens{{u"P/un"_s, u"../Cible"_s}, {u"P/deux"_s, u"../Cible"_s}} << QStringList{u"P"_s}
            << Arbre{{u"P/"_s, {}},
                     {u"P/un/"_s, {}},
                     {u"P/un/c.txt"_s, "c"},
                     {u"P/deux/"_s, {}},
                     {u"P/deux/c.txt"_s, "c"}};
    }
    void copie()
    {
        QFETCH(Arbre, source);
        QFETCH(Liens, liens);
        QFETCH(QStringList, urls);
        QFETCH(Arbre, attendu);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        preparer(env, source, liens);

        const Essai essai = copier(env, urls);

        QCOMPARE(messageErreur(essai.resultat), QString());
        QCOMPARE(lireArbre(dossierTransfert(env)), attendu);
    }

    void echec_data()
    {
        QTest::addColumn<Arbre>("source");
        QTest::addColumn<Liens>("liens");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QString>("message"); // %1: the home folder
        QTest::addColumn<QStringList>("absents");

        const QString introuvable = qt_error_string(ENOENT);
        QTest::newRow("lien mort au premier niveau")
            << Arbre{{u"b.txt"_s, "b"}} << Liens{{u"mort.txt"_s, u"absent.txt"_s}}
            << QStringList{u"mort.txt"_s, u"b.txt"_s} << copiesParDefaut << introuvable
            << QStringList{u"b.txt"_s};
        QTest::newRow("lien mort dans un dossier")
            << Arbre{{u"P/a.txt"_s, "a"}, {u"b.txt"_s, "b"}} << Liens{{u"P/mort"_s, u"absent"_s}}
            << QStringList{u"P"_s, u"b.txt"_s} << copiesParDefaut << introuvable << QStringList{u"b.txt"_s};
        QTest::newRow("un fichier à la place du dossier des copies")
            << Arbre{{u"a.txt"_s, "a"}, {u"copies"_s, "fichier"}} << Liens{} << QStringList{u"a.txt"_s}
            << u"home/copies"_s << qt_error_string(ENOTDIR) << QStringList{};
        QTest::newRow("lien vers un ancêtre")
            << Arbre{{u"P/a.txt"_s, "a"}, {u"P/sous/"_s, {}}, {u"b.txt"_s, "b"}}
            << Liens{{u"P/sous/retour"_s, u".."_s}} << QStringList{u"P"_s, u"b.txt"_s} << copiesParDefaut
            << u"Boucle de liens symboliques dans « %1/P/sous/retour » : copie interrompue."_s
            << QStringList{u"b.txt"_s, u"P/sous/retour/"_s};
        QTest::newRow("lien vers lui-même")
            << Arbre{{u"P/"_s, {}}} << Liens{{u"P/ici"_s, u"."_s}} << QStringList{u"P"_s} << copiesParDefaut
            << u"Boucle de liens symboliques dans « %1/P/ici » : copie interrompue."_s
            << QStringList{u"P/ici/"_s};
        QTest::newRow("dossier des copies à l'intérieur de la source")
            << Arbre{{u"Dossier/Copies/"_s, {}}} << Liens{} << QStringList{u"Dossier"_s}
            << u"home/Dossier/Copies"_s
            << u"Le dossier de destination se trouve parmi les fichiers à copier (« "
               u"%1/Dossier/Copies/abc123defg ») : copie "
               u"interrompue."_s
            << QStringList{};
    }
    void echec()
    {
        QFETCH(Arbre, source);
        QFETCH(Liens, liens);
        QFETCH(QStringList, urls);
        QFETCH(QString, copies);
        QFETCH(QString, message);
        QFETCH(QStringList, absents);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        preparer(env, source, liens);

        const Essai essai = copier(env, urls, copies);

        QVERIFY(!essai.resultat);
        QVERIFY(std::holds_alternative<ErreurSysteme>(essai.resultat.error()));
        QCOMPARE(messageErreur(essai.resultat), message.replace(u"%1"_s, env.chemin(u"home"_s)));
        for (const QString& absent : absents) {
            QVERIFY2(!QFileInfo::exists(dossierTransfert(env) + u'/' + absent), qPrintable(absent));
        }
    }

    void fichierRemplaceLaDestination()
    {
        EnvironnementTest env;
        const QString source = env.creerFichier(u"court.txt"_s, "court");
        const QString destination = env.creerFichier(u"dest.txt"_s, "un contenu bien plus long");
        qint64 octets = 10;
        QVERIFY(NASCopier::copierFichier(source, destination, octets, {}));
        QCOMPARE(octets, 15);
        QFile copie(destination);
        QVERIFY(copie.open(QIODevice::ReadOnly));
        QCOMPARE(copie.readAll(), QByteArray("court"));
    }
};

VALTO_INSCRIRE_TESTS(TestNASCopier)
#include "TestNASCopier.moc"
