#include "serveur/Configuration.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// What a command line gives, in one line: the French error, "aide", or the options that matter.
QString lire(const QStringList& arguments)
{
    std::vector<std::string> liste;
    std::ranges::transform(arguments, std::back_inserter(liste), &QString::toStdString);
    const auto ligne = serveur::lireLigneDeCommande(liste);
    if (!ligne) {
        return QString::fromStdString(ligne.error());
    }
    if (ligne->aide) {
        return u"aide"_s;
    }
    const serveur::Configuration& c = ligne->configuration;
    if (!ligne->migrerVers.empty()) {
        return QString::fromStdString("vers " + ligne->migrerVers + " depuis " + c.dossierDonnees.string());
    }
    return QString::fromStdString(std::to_string(c.port) + ' ' + c.dossierCopies.string() + ' ' +
                                  c.fichierCle.string() + ' ' + std::to_string(c.fils) + ' ' +
                                  std::to_string(c.limites.connexionsParClient) + ' ' + c.base);
}

} // namespace

// valto-serveur's options: a mistake stops it with a sentence saying which, before anything starts.
class TestConfiguration final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ligneDeCommande_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("attendu");
        const QString dossiers = u"--nas /n --donnees /d "_s;
        const QString obligatoires = u"Les options --nas et --donnees sont obligatoires (voir --help)."_s;
        QTest::newRow("par défaut")
            << dossiers
            << u"8642 /n/DATA/Valto Transferts /n/DATA/Valto Transferts/.transfer-api-key 8 64 "_s;
        QTest::newRow("tout donné")
            << dossiers +
                   u"--port 9000 --copies /c --cle /k --fils 2 --base postgresql://h/b --connexions-par-adresse 5"_s
            << u"9000 /c /k 2 5 postgresql://h/b"_s;
        QTest::newRow("aide") << u"--nas /n -h"_s << u"aide"_s;
        QTest::newRow("dossiers manquants") << u"--nas /n"_s << obligatoires;
        QTest::newRow("valeur manquante") << u"--donnees /d --nas"_s << u"Valeur manquante pour --nas"_s;
        QTest::newRow("port nul") << dossiers + u"--port 0"_s << u"Valeur invalide pour --port : 0"_s;
        QTest::newRow("connexions en lettres") << dossiers + u"--connexions-par-adresse dix"_s
                                               << u"Valeur invalide pour --connexions-par-adresse : dix"_s;
        QTest::newRow("fils au-delà") << dossiers + u"--fils 257"_s << u"Valeur invalide pour --fils : 257"_s;
        QTest::newRow("base sans PostgreSQL")
            << dossiers + u"--base mysql://h/b"_s
            << u"Adresse invalide pour --base : mysql://h/b (postgresql://…)"_s;
        // A migration needs only the data folder it copies from.
        QTest::newRow("migration") << u"--donnees /d --migrer-vers postgres://h/b"_s
                                   << u"vers postgres://h/b depuis /d"_s;
        QTest::newRow("migration sans données") << u"--migrer-vers postgresql://h/b"_s << obligatoires;
        QTest::newRow("migration vers un fichier")
            << u"--donnees /d --migrer-vers /tmp/b"_s << u"Adresse invalide pour --migrer-vers : /tmp/b"_s;
    }
    void ligneDeCommande()
    {
        QFETCH(QString, arguments);
        QTEST(lire(arguments.split(u' ', Qt::SkipEmptyParts)), "attendu");
    }

    void demarrage_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("sortie");
        const QString pg = u"--nas @ --donnees @ --base postgresql:///v?host=/nulle-part"_s;
        QTest::newRow("aide") << u"--help"_s << u"0 "_s;
        QTest::newRow("option inconnue") << u"--nsa x"_s << u"2 Option inconnue : --nsa"_s;
        QTest::newRow("racine absente")
            << u"--nas @/absente --donnees @"_s << u"1 Racine du NAS introuvable : @/absente"_s;
        QTest::newRow("port pris") << u"--nas @ --donnees @ --port # --cle @/cle"_s
                                   << u"1 Clé API créée : @/cle\nImpossible d'écouter sur 127.0.0.1:#"_s;
        QTest::newRow("clé vide") << u"--nas @ --donnees @ --cle @/vide"_s
                                  << u"1 Fichier de clé illisible : @/vide"_s;
        QTest::newRow("lien mort") << u"--nas @ --donnees @ --cle @/m"_s << u"1 Fichier de clé illisible"_s;
        QTest::newRow("données impossibles")
            << u"--nas @ --donnees /proc/v"_s << u"1 Impossible de créer /proc/v/.secret.tmp"_s;
        QTest::newRow("base inaccessible")
            << u"--nas @ --donnees @/dossier"_s << u"1 Base de données inaccessible (@/dossier/"_s;
        QTest::newRow("PostgreSQL absent")
            << pg << u"1 Base PostgreSQL inutilisable : PostgreSQL inaccessible : connection"_s;
        QTest::newRow("mot de passe dans l'adresse")
            << u"--nas @ --donnees @ --base postgresql:///b?password=s"_s
            << u"1 Le mot de passe de PostgreSQL ne se donne pas"_s;
        QTest::newRow("mot de passe illisible") << pg + u" --base-mot-de-passe @/absent"_s
                                                << u"1 Mot de passe de PostgreSQL illisible : @/absent"_s;
        QTest::newRow("migration sans base") << u"--donnees @ --migrer-vers postgresql://h/b"_s
                                             << u"1 Aucune base SQLite à copier : @/transferts.sqlite3"_s;
        QTest::newRow("migration vers une base absente")
            << u"--donnees @/vierge --migrer-vers postgresql:///v?host=/nulle-part"_s
            << u"1 Base PostgreSQL inutilisable : PostgreSQL inaccessible"_s;
        QTest::newRow("secret illisible") << u"--donnees @/illisible --migrer-vers postgresql:///b?host=@"_s
                                          << u"1 Fichier de clé illisible : @/illisible/secret"_s;
        QTest::newRow("schéma à migrer") << u"--donnees @/schema --migrer-vers postgresql:///b?host=@"_s
                                         << u"1 Base de données illisible (@/schema/"_s;
    }

    // A server that cannot start exits listening to nothing: its exit code, then what it did and why.
    void demarrage()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, sortie);
        EnvironnementTest dossier;
        dossier.creerDossier(u"dossier/transferts.sqlite3"_s);
        dossier.creerFichier(u"vide"_s, "\n");
        QFile::link(dossier.chemin(u"absent"_s), dossier.chemin(u"m"_s));
        dossier.creerFichier(u"vierge/transferts.sqlite3"_s);
        dossier.creerFichier(u"illisible/transferts.sqlite3"_s);
        dossier.creerDossier(u"illisible/secret"_s);
        sqlite3* schema = nullptr;
        sqlite3_open(dossier.creerFichier(u"schema/transferts.sqlite3"_s).toUtf8().constData(), &schema);
        sqlite3_exec(schema, "CREATE TABLE transferts (x)", nullptr, nullptr, nullptr);
        sqlite3_close(schema);
        QTcpServer pris;
        pris.listen(QHostAddress::LocalHost);
        const auto remplir = [&](QString texte) {
            return texte.replace(u'@', dossier.chemin({})).replace(u'#', QString::number(pris.serverPort()));
        };
        QProcess serveur;
        serveur.start(QStringLiteral(VALTO_SERVEUR), remplir(arguments).split(u' '));
        QVERIFY(serveur.waitForFinished(10000));
        const int code = serveur.exitStatus() == QProcess::NormalExit ? serveur.exitCode() : -1;
        const QByteArray sorties = serveur.readAllStandardOutput() + serveur.readAllStandardError();
        const QString recu = QString::number(code) + u' ' + QString::fromUtf8(sorties);
        QVERIFY2(recu.startsWith(remplir(sortie)) && !recu.endsWith(u"\n\n"_s), qPrintable(recu));
    }
};

VALTO_INSCRIRE_TESTS(TestConfiguration)
#include "TestConfiguration.moc"
