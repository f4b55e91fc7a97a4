#include "serveur/Configuration.h"
#include "support/ExecuterTests.h"

#include <QStringList>
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
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("attendu");
        const QStringList dossiers{u"--nas"_s, u"/n"_s, u"--donnees"_s, u"/d"_s};
        QTest::newRow("par défaut")
            << dossiers
            << u"8642 /n/DATA/Valto Transferts /n/DATA/Valto Transferts/.transfer-api-key 8 64 "_s;
        QTest::newRow("tout donné") << dossiers + QStringList{u"--port"_s,
                                                              u"9000"_s,
                                                              u"--copies"_s,
                                                              u"/c"_s,
                                                              u"--cle"_s,
                                                              u"/k"_s,
                                                              u"--fils"_s,
                                                              u"2"_s,
                                                              u"--base"_s,
                                                              u"postgresql://h/b"_s,
                                                              u"--connexions-par-adresse"_s,
                                                              u"5"_s}
                                    << u"9000 /c /k 2 5 postgresql://h/b"_s;
        QTest::newRow("aide") << QStringList{u"--nas"_s, u"/n"_s, u"-h"_s} << u"aide"_s;
        QTest::newRow("aide longue") << QStringList{u"--help"_s} << u"aide"_s;
        QTest::newRow("dossiers manquants")
            << QStringList{u"--nas"_s, u"/n"_s}
            << u"Les options --nas et --donnees sont obligatoires (voir --help)."_s;
        QTest::newRow("valeur manquante")
            << QStringList{u"--donnees"_s, u"/d"_s, u"--nas"_s} << u"Valeur manquante pour --nas"_s;
        QTest::newRow("option inconnue")
            << dossiers + QStringList{u"--nsa"_s, u"/n"_s} << u"Option inconnue : --nsa"_s;
        QTest::newRow("port nul") << dossiers + QStringList{u"--port"_s, u"0"_s}
                                  << u"Valeur invalide pour --port : 0"_s;
        QTest::newRow("connexions en lettres")
            << dossiers + QStringList{u"--connexions-par-adresse"_s, u"dix"_s}
            << u"Valeur invalide pour --connexions-par-adresse : dix"_s;
        QTest::newRow("fils au-delà")
            << dossiers + QStringList{u"--fils"_s, u"257"_s} << u"Valeur invalide pour --fils : 257"_s;
        QTest::newRow("base sans PostgreSQL")
            << dossiers + QStringList{u"--base"_s, u"mysql://h/b"_s}
            << u"Adresse invalide pour --base : mysql://h/b (postgresql://…)"_s;
        // A migration needs only the data folder it copies from.
        QTest::newRow("migration") << QStringList{u"--donnees"_s, u"/d"_s, u"--migrer-vers"_s,
                                                  u"postgres://h/b"_s}
                                   << u"vers postgres://h/b depuis /d"_s;
        QTest::newRow("migration sans données")
            << QStringList{u"--migrer-vers"_s, u"postgresql://h/b"_s}
            << u"Les options --nas et --donnees sont obligatoires (voir --help)."_s;
        QTest::newRow("migration vers un fichier")
            << QStringList{u"--donnees"_s, u"/d"_s, u"--migrer-vers"_s, u"/tmp/b"_s}
            << u"Adresse invalide pour --migrer-vers : /tmp/b"_s;
    }
    void ligneDeCommande()
    {
        QFETCH(QStringList, arguments);
        QTEST(lire(arguments), "attendu");
    }
};

VALTO_INSCRIRE_TESTS(TestConfiguration)
#include "TestConfiguration.moc"
