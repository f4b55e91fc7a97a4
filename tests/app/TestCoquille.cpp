#include "BancApplication.h"
#include "Demarrage.h"
#include "InstanceUnique.h"
#include "Polices.h"
#include "support/ExecuterTests.h"

#include <QApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString policeSysteme = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s;

// The real executable with only the per-user folders pointing into the test's.
void lancer(QProcess& processus, EnvironnementTest& env)
{
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(u"XDG_DATA_HOME"_s, env.plateforme().dossierDonnees);
    environnement.insert(u"XDG_CONFIG_HOME"_s, env.chemin(u"config"_s));
    environnement.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    processus.setProcessEnvironment(environnement);
    processus.setProgram(QStringLiteral(VALTO_EXECUTABLE));
    processus.start();
    QVERIFY(processus.waitForStarted());
}

} // namespace

// The shell around the window: geometry, typefaces, the toolkit's French, one instance per data folder.
class TestCoquille final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Demarrage::preparer(*qApp); }

    void texteDuToolkitEnFrancais()
    {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Annuler"_s);
    }

    // Each face from its .otf file, else its .ttf file; a file that is not a font is passed over.
    void polices()
    {
        EnvironnementTest env;
        const QString dossier = env.creerDossier(u"Resources"_s);
        for (const QString& fichier :
             {u"Aeonik-Regular.ttf"_s, u"Aeonik-Regular.otf"_s, u"AeonikMono-Regular.ttf"_s}) {
            QVERIFY(QFile::copy(policeSysteme, dossier + u'/' + fichier));
        }
        env.creerFichier(u"Resources/Aeonik-Medium.otf"_s, "pas une police");
        QCOMPARE(PolicesEmbarquees::enregistrer(dossier),
                 (QStringList{dossier + u"/Aeonik-Regular.otf"_s, dossier + u"/AeonikMono-Regular.ttf"_s}));
    }

    // Files planted where the start-up reads (the preferences a FIFO, the key file a link to /dev/zero)
    // never hold it up: the window comes, its start-up task runs to the update check. The folders made at
    // a first start are the user's alone, whoever makes them.
    void demarrageHostile()
    {
        BancApplication banc;
        banc.env.preferences().effacer(Preferences::cleApiKey);
        const QString preferences = banc.env.plateforme().fichierPreferences;
        const QString cle = banc.dossierCopies + u"/.transfer-api-key"_s;
        QFile::remove(preferences);
        QFile::remove(cle);
        QCOMPARE(::mkfifo(QFile::encodeName(preferences).constData(), 0600), 0);
        QVERIFY(QFile::link(u"/dev/zero"_s, cle));
        const QString dossierDonnees = banc.env.plateforme().dossierDonnees;
        InstanceUnique instance(dossierDonnees);
        QVERIFY(instance.demarrer());
        banc.montrer();
        QTRY_VERIFY_WITH_TIMEOUT(banc.serveur.requetes().size() > 0, 10000);
        QCOMPARE(banc.app().historique().transferts(), QList<Transfert>());
        QCOMPARE(QFile::permissions(dossierDonnees + u"/Valto Transfer"_s) & 0x0077, QFile::Permissions());
    }

    // A second launch on the same data folder steps aside and brings the first window forward, the
    // first having started after an earlier one died without releasing its lock and socket.
    void secondeInstance()
    {
        BancApplication banc;
        const QString dossierDonnees = banc.env.plateforme().dossierDonnees;
        QProcess tuee;
        lancer(tuee, banc.env);
        // Killed once it listens, so both its lock file and its socket stay behind.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QLocalSocket sonde;
                sonde.connectToServer(InstanceUnique(dossierDonnees).nomServeur());
                return sonde.waitForConnected(100);
            }(),
            10000);
        tuee.kill();
        QVERIFY(tuee.waitForFinished());
        InstanceUnique instance(dossierDonnees);
        QVERIFY(instance.demarrer());
        connect(&instance, &InstanceUnique::activationDemandee, &banc.app(), &ValtoTransferApp::premierPlan);
        banc.montrer();
        QWidget autre;
        autre.show();
        autre.activateWindow();
        QTRY_VERIFY(autre.isActiveWindow());

        QSignalSpy appels(&instance, &InstanceUnique::activationDemandee);
        QProcess seconde;
        lancer(seconde, banc.env);
        QTRY_COMPARE_WITH_TIMEOUT(seconde.state(), QProcess::NotRunning, 10000);
        QVERIFY(seconde.exitStatus() == QProcess::NormalExit && seconde.exitCode() == 0);
        QTRY_VERIFY(appels.size() == 1 && banc.fenetre().isActiveWindow());
    }
};

VALTO_INSCRIRE_TESTS(TestCoquille)
#include "TestCoquille.moc"
