#include "nas/NASCopier.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString copiesParDefaut = u"Volumes/DATA/Valto Transferts"_s;
const QString token = u"abc123defg"_s;

// Builds `arbre` in the home folder; there a link's contents are "->" and its target, a FIFO's "<fifo>".
void preparer(EnvironnementTest& env, const Arbre& arbre)
{
    env.creerDossier(u"home"_s);
    for (auto [relatif, contenu] : arbre.asKeyValueRange()) {
        const QString chemin = env.chemin(u"home/"_s + relatif);
        QDir().mkpath(QFileInfo(chemin).path());
        if (contenu == "<fifo>") {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else if (contenu.startsWith("->")) {
            QVERIFY(QFile::link(QString::fromUtf8(contenu.mid(2)), chemin));
        } else {
            relatif.endsWith(u'/') ? env.creerDossier(u"home/"_s + relatif)
                                   : env.creerFichier(u"home/"_s + relatif, contenu);
        }
    }
}

// Copies the home folder's `relatifs`; returns the error's text, empty on success.
QString copier(EnvironnementTest& env, const QStringList& relatifs, const QString& copies = copiesParDefaut,
               QList<qint64>* progression = nullptr)
{
    QStringList urls;
    for (const QString& relatif : relatifs) {
        urls.append(env.chemin(u"home/"_s + relatif));
    }
    const auto resultat = NASCopier::copier(urls, token, env.chemin(copies), [progression](qint64 octets) {
        if (progression) {
            progression->append(octets);
        }
    });
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
    // Refusals before anything is written: nothing of the copies folder changes.
    void refus_data()
    {
        QTest::addColumn<QString>("existant"); // what already stands at the per-transfer folder
        QTest::addColumn<QString>("message");  // %1: the copies folder
        QTest::newRow("dossier des copies absent")
            << QString()
            << u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est "
               u"introuvable (%1). Connecte le partage DATA dans le Finder, puis réessaie."_s;
        QTest::newRow("dossier avec contenu")
            << u"dossier"_s << u"Collision de token (abc123defg) — relance le transfert."_s;
        QTest::newRow("lien mort") << u"lien"_s
                                   << u"Collision de token (abc123defg) — relance le transfert."_s;
    }
    void refus()
    {
        QFETCH(QString, existant);
        QFETCH(QString, message);
        EnvironnementTest env;
        preparer(env, {{u"a.txt"_s, "nouveau"}});
        if (!existant.isEmpty()) {
            env.creerDossier(copiesParDefaut);
        }
        if (existant == u"lien") {
            QVERIFY(QFile::link(u"ailleurs"_s, dossierTransfert(env)));
        } else if (existant == u"dossier") {
            env.creerFichier(copiesParDefaut + u'/' + token + u"/a.txt"_s, "ancien");
        }
        const Arbre avant = lireArbre(env.chemin(u"Volumes"_s));
        QCOMPARE(copier(env, {u"a.txt"_s}), message.replace(u"%1"_s, env.chemin(copiesParDefaut)));
        QCOMPARE(lireArbre(env.chemin(u"Volumes"_s)), avant);
    }

    // The running count after each 1 MiB chunk, carried on from file to file, with the data intact.
    void progression()
    {
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        Arbre source;
        for (const qsizetype taille : {1048576, 0, 524298}) {
            QByteArray contenu(taille, Qt::Uninitialized);
            std::ranges::generate(contenu, [octet = taille]() mutable { return char(octet++ * 7919 % 251); });
            source.insert(u"f%1.bin"_s.arg(source.size()), contenu);
        }
        preparer(env, source);
        QList<qint64> progression;
        QCOMPARE(copier(env, source.keys(), copiesParDefaut, &progression), QString());
        QCOMPARE(progression, (QList<qint64>{1048576, 1572874}));
        QCOMPARE(lireArbre(dossierTransfert(env)), source);
    }

    // Successes (no message) leave exactly `attendu`; the first failure stops the copy with its text.
    void copie_data()
    {
        QTest::addColumn<Arbre>("source");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QString>("message"); // %1: the home folder
        QTest::addColumn<Arbre>("attendu");

        QTest::newRow("cachés gardés, .DS_Store sautés sauf choisi seul")
            << Arbre{{u"P/a.txt"_s, "a"},
                     {u"P/.cache"_s, "c"},
                     {u"P/sous/.git/HEAD"_s, "h"},
                     {u"P/vide/"_s, {}},
                     {u"P/.DS_Store"_s, "x"},
                     {u"P/sous/.DS_Store"_s, "x"},
                     {u"Bureau/.DS_Store"_s, "seul"}}
            << QStringList{u"P"_s, u"Bureau/.DS_Store"_s} << copiesParDefaut << QString()
            << Arbre{{u"P/"_s, {}},      {u"P/a.txt"_s, "a"},     {u"P/.cache"_s, "c"},
                     {u"P/sous/"_s, {}}, {u"P/sous/.git/"_s, {}}, {u"P/sous/.git/HEAD"_s, "h"},
                     {u"P/vide/"_s, {}}, {u".DS_Store"_s, "seul"}};
        // A later namesake is numbered before a file's extension (a folder's dot is no extension), never
        // overwritten nor merged.
        QTest::newRow("homonymes")
            << Arbre{{u"A/photo.jpg"_s, "1"}, {u"B/photo.jpg"_s, "2"}, {u"D/photo 2.jpg"_s, "3"},
                     {u"A/.env"_s, "4"},      {u"B/.env"_s, "5"},      {u"A/v1.2/f"_s, "6"},
                     {u"B/v1.2/f"_s, "7"}}
            << QStringList{u"A/photo.jpg"_s, u"B/photo.jpg"_s, u"D/photo 2.jpg"_s, u"A/.env"_s,
                           u"B/.env"_s,      u"A/v1.2"_s,      u"B/v1.2"_s}
            << copiesParDefaut << QString()
            << Arbre{{u"photo.jpg"_s, "1"}, {u"photo 2.jpg"_s, "2"}, {u"photo 2 2.jpg"_s, "3"},
                     {u".env"_s, "4"},      {u".env 2"_s, "5"},      {u"v1.2/"_s, {}},
                     {u"v1.2/f"_s, "6"},    {u"v1.2 2/"_s, {}},      {u"v1.2 2/f"_s, "7"}};
        // Followed, under the link's own name; one folder reached by two links is no loop.
        QTest::newRow("liens suivis")
            << Arbre{{u"vrai.txt"_s, "v"},
                     {u"Cible/c.txt"_s, "c"},
                     {u"lien.txt"_s, "->vrai.txt"},
                     {u"P/un"_s, "->../Cible"},
                     {u"P/deux"_s, "->../Cible"}}
            << QStringList{u"lien.txt"_s, u"P"_s} << copiesParDefaut << QString()
            << Arbre{{u"lien.txt"_s, "v"},   {u"P/"_s, {}},      {u"P/un/"_s, {}},
                     {u"P/un/c.txt"_s, "c"}, {u"P/deux/"_s, {}}, {u"P/deux/c.txt"_s, "c"}};
        QTest::newRow("lien mort dans un dossier")
            << Arbre{{u"P/a.txt"_s, "a"}, {u"P/mort"_s, "->absent"}} << QStringList{u"P"_s} << copiesParDefaut
            << u"Copie de « %1/P/mort » impossible : "_s + qt_error_string(ENOENT) << Arbre();
        // Never opened to find out: a FIFO would block the copy for ever, a device fill the disk.
        QTest::newRow("FIFO dans un dossier")
            << Arbre{{u"P/a.txt"_s, "a"}, {u"P/tube"_s, "<fifo>"}} << QStringList{u"P"_s} << copiesParDefaut
            << u"« %1/P/tube » n'est pas un fichier ordinaire : copie interrompue."_s << Arbre();
        QTest::newRow("lien vers un périphérique")
            << Arbre{{u"zero"_s, "->/dev/zero"}} << QStringList{u"zero"_s} << copiesParDefaut
            << u"« %1/zero » n'est pas un fichier ordinaire : copie interrompue."_s << Arbre();
        QTest::newRow("lien vers un ancêtre")
            << Arbre{{u"P/a.txt"_s, "a"}, {u"P/sous/retour"_s, "->.."}} << QStringList{u"P"_s}
            << copiesParDefaut
            << u"Boucle de liens symboliques dans « %1/P/sous/retour » : copie interrompue."_s << Arbre();
        QTest::newRow("dossier des copies à l'intérieur de la source")
            << Arbre{{u"Dossier/Copies/"_s, {}}} << QStringList{u"Dossier"_s} << u"home/Dossier/Copies"_s
            << u"Le dossier de destination se trouve parmi les fichiers à copier "
               u"(« %1/Dossier/Copies/abc123defg ») : copie interrompue."_s
            << Arbre();
    }
    void copie()
    {
        QFETCH(Arbre, source);
        QFETCH(QStringList, urls);
        QFETCH(QString, copies);
        QFETCH(QString, message);
        QFETCH(Arbre, attendu);
        EnvironnementTest env;
        env.creerDossier(copiesParDefaut);
        preparer(env, source);
        QCOMPARE(copier(env, urls, copies), message.replace(u"%1"_s, env.chemin(u"home"_s)));
        if (message.isEmpty()) {
            QCOMPARE(lireArbre(dossierTransfert(env)), attendu);
        }
    }
};

VALTO_INSCRIRE_TESTS(TestNASCopier)
#include "TestNASCopier.moc"
