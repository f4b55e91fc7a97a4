#include "ServeurDeTest.h"
#include "core/HistoryStore.h"
#include "flow/TransferFlow.h"
#include "support/ExecuterTests.h"

#include <QFile>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

// The application's own send flow against valto-serveur, then the link opened as a client would.
class TestBoutEnBout final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void envoiPuisTelechargement_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("fichiers");
        QTest::addColumn<QString>("marquePage");

        QTest::newRow("transfert mixte")
            << Mode::transfert << QStringList{u"Volumes/DATA/Clients/plan.pdf"_s, u"Bureau/photo.jpg"_s}
            << u"Tout télécharger"_s;
        QTest::newRow("comparaison de deux images")
            << Mode::compare << QStringList{u"Bureau/avant.jpg"_s, u"Téléchargements/après.jpg"_s}
            << u"class=\"curseur\""_s;
    }

    void envoiPuisTelechargement()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, fichiers);
        QFETCH(QString, marquePage);
        ServeurDeTest s;
        EnvironnementTest& env = s.environnement();
        env.preferences().ecrire(Preferences::cleApiBaseURL, s.origine());
        env.preferences().ecrire(Preferences::cleApiKey, s.cle());
        env.preferences().ecrire(Preferences::cleNasMountPath, s.nas(u"DATA/Valto Transferts"_s));
        QStringList chemins;
        for (const QString& fichier : fichiers) {
            chemins.append(env.creerFichier(fichier, fichier.toUtf8()));
        }
        HistoryStore historique(env.plateforme(), {});
        TransferFlow flow(mode, env.preferences(), env.plateforme());
        flow.ajouter(chemins);
        flow.envoyer(historique);
        QTRY_VERIFY_WITH_TIMEOUT(
            flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 10000);
        QCOMPARE(flow.etape().message, QString());
        QCOMPARE(flow.etape().cas, Etape::Cas::termine);

        const QString lien = QUrl(flow.etape().transfert.url).path();
        const ReponseHTTP page = s.envoyer("GET", lien);
        QCOMPARE(page.statut, 200);
        QVERIFY(QString::fromUtf8(page.corps).contains(marquePage));
        for (const QString& fichier : fichiers) {
            const QString nom = fichier.section(u'/', -1);
            const ReponseHTTP telechargement =
                s.envoyer("GET", lien + u"/f/"_s + QString::fromUtf8(QUrl::toPercentEncoding(nom)));
            QCOMPARE(telechargement.statut, 200);
            QCOMPARE(telechargement.corps, fichier.toUtf8());
        }
        QCOMPARE(flow.etape().transfert.nbFichiers, fichiers.size());
    }
};

VALTO_INSCRIRE_TESTS(TestBoutEnBout)

#include "TestBoutEnBout.moc"
