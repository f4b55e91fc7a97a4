#include "serveur/Configuration.h"
#include "support/ExecuterTests.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What a command line gives, in one line: the French error, "aide", or the options that matter.
QString lire(const QStringList& arguments)
{
    std::vector<std::string> liste;
    for (const QString& argument : arguments) {
        liste.push_back(argument.toStdString());
    }
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
        QTest::newRow("aide longue") << u"--help"_s << u"aide"_s;
        QTest::newRow("dossiers manquants") << u"--nas /n"_s << obligatoires;
        QTest::newRow("valeur manquante") << u"--donnees /d --nas"_s << u"Valeur manquante pour --nas"_s;
        QTest::newRow("option inconnue") << dossiers + u"--nsa /n"_s << u"Option inconnue : --nsa"_s;
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

    // A server that cannot start says why and exits with 1, listening to nothing.
    void demarrageImpossible()
    {
        QTemporaryDir donnees;
        QProcess serveur;
        serveur.start(QStringLiteral(VALTO_SERVEUR), {u"--nas"_s, u"/nulle-part"_s, u"--donnees"_s,
                                                      donnees.path(), u"--port"_s, u"18642"_s});
        QVERIFY(serveur.waitForFinished(10000));
        QCOMPARE(std::pair(serveur.exitStatus(), serveur.exitCode()), std::pair(QProcess::NormalExit, 1));
        QCOMPARE(serveur.readAllStandardError(), "Racine du NAS introuvable : /nulle-part\n");
    }
};

VALTO_INSCRIRE_TESTS(TestConfiguration)
#include "TestConfiguration.moc"
