#include "BancApplication.h"
#include "Captures.h"
#include "ConfirmationAbandon.h"
#include "SettingsView.h"
#include "design/ChampSaisie.h"
#include "design/ValtoButton.h"
#include "flow/TransferFlow.h"
#include "support/ExecuterTests.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QThreadPool>
#include <QTimer>

using namespace Qt::StringLiterals;

// The main window of the real application against the loopback server, offscreen: what belongs to the
// window itself (closing, the settings), its content being the UI suite's.
class TestFenetre final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Abandoning a transfer under way, by "Annuler" on the copy screen or by closing the window and
    // confirming: the copy stops, the transfer's folder goes, nothing is registered; the window (and with
    // it the application) ends only after that. Keeping the transfer leaves it to finish.
    void abandon_data()
    {
        QTest::addColumn<QString>("geste");
        QTest::newRow("annuler") << u"annuler"_s;
        QTest::newRow("fermer, abandonner") << u"abandonner"_s;
        QTest::newRow("fermer, puis continuer") << u"continuer"_s;
    }
    void abandon()
    {
        QFETCH(QString, geste);
        const bool abandonne = geste != u"continuer"_s;
        BancApplication banc;
        banc.montrer();
        int questions = 0;
        QString ecartsQuestion;
        // The real question, answered by a click on the gesture's button.
        banc.fenetre().confirmerAbandon = [&](QWidget* fenetre) {
            QTimer::singleShot(0, this, [&] {
                QWidget* question = QApplication::activeModalWidget();
                ecartsQuestion = Captures::comparer(*question, u"confirmation-abandon"_s);
                QTest::mouseClick(question->findChild<ValtoButton*>(geste), Qt::LeftButton);
            });
            ++questions;
            return ConfirmationAbandon::demander(fenetre);
        };
        TransferFlow& flow = banc.contenu().flowTransfert();
        flow.ajouter({banc.creer(u"maison/film.mov"_s, QByteArray(32 * 1024 * 1024, 'f'))});
        connect(&flow, &TransferFlow::etapeChanged, this, [&] {
            if (flow.etape().cas != Etape::Cas::copie) {
                return;
            }
            if (geste == u"annuler"_s) {
                VERIFIER_CAPTURES(banc.fenetre(), u"fenetre-copie-annulable"_s);
                QTest::mouseClick(banc.contenu().ecran()->findChild<QWidget*>(u"annuler"_s), Qt::LeftButton);
            } else {
                banc.fenetre().close();
                // The process outlives the window while the folder goes, even asked to close again (a quit).
                QVERIFY(banc.terminaisons == 0 && (geste == u"continuer"_s || !banc.fenetre().close()));
            }
        });
        flow.envoyer(banc.app().historique());
        QTRY_VERIFY_WITH_TIMEOUT(!flow.travailEnCours(), 15000);
        QCOMPARE(questions, geste == u"annuler"_s ? 0 : 1);
        QVERIFY2(ecartsQuestion.isEmpty(), qPrintable(ecartsQuestion));
        QCOMPARE(flow.etape().cas, abandonne ? Etape::Cas::attente : Etape::Cas::termine);
        QCOMPARE(QDir(banc.dossierCopies).isEmpty(), abandonne);
        QCOMPARE(banc.app().historique().transferts().isEmpty(), abandonne);
        const bool fermee = geste == u"abandonner"_s;
        QVERIFY(banc.fenetre().isVisible() == !fermee && banc.terminaisons == (fermee ? 1 : 0));
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    }

    // The settings open from the header button (Linux) or Ctrl+,, each time fresh: no earlier test result,
    // at the top. Ctrl+Q quits from either window; closing the main window quits with the settings open.
    void reglages_data()
    {
        QTest::addColumn<bool>("parLeBouton");
        QTest::addColumn<bool>("parCtrlQ");
        QTest::newRow("raccourci, fermeture") << false << false;
        QTest::newRow("raccourci, Ctrl+Q") << false << true;
#ifndef Q_OS_MACOS
        QTest::newRow("bouton, Ctrl+Q") << true << true;
#endif
    }
    void reglages()
    {
        QFETCH(bool, parLeBouton);
        QFETCH(bool, parCtrlQ);
        BancApplication banc;
        banc.env.preferences().ecrire(Preferences::cleApiKey, QString());
        banc.montrer();
        banc.fenetre().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&banc.fenetre()));
        banc.fenetre().resize(1, 1); // it keeps its width and a useful height
        QCOMPARE(banc.fenetre().size(), QSize(460, 540));
        const auto ouvrir = [&] {
            if (parLeBouton) {
                QTest::mouseClick(banc.contenu().findChild<QWidget*>(u"reglages"_s), Qt::LeftButton);
            } else {
                QTest::keyClick(&banc.fenetre(), Qt::Key_Comma, Qt::ControlModifier);
            }
            QVERIFY(banc.app().reglages() && banc.app().reglages()->isVisible());
        };
        ouvrir();
        SettingsView* premiers = banc.app().reglages();
        premiers->findChild<ValtoButton*>(u"tester"_s)->declencher();
        QVERIFY(premiers->testResultat());
        premiers->findChild<QScrollArea*>()->verticalScrollBar()->setValue(200);
        premiers->close();
        ouvrir();
        SettingsView* neufs = banc.app().reglages();
        QVERIFY(!neufs->testResultat() && !neufs->findChild<QScrollArea*>()->verticalScrollBar()->value());
        // A new key, then a new address, start listening again at once, with them.
        const auto ecoutes = [&] {
            return std::ranges::count(banc.serveur.requetes(), "/api/evenements", &RequeteRecue::chemin);
        };
        QTest::keyClicks(neufs->findChild<ChampSaisie*>(Preferences::cleApiKey), u"k"_s);
        QTRY_VERIFY_WITH_TIMEOUT(ecoutes() == 1, 500);
        auto* adresse = neufs->findChild<ChampSaisie*>(Preferences::cleApiBaseURL);
        adresse->selectAll();
        adresse->insert(u"http://localhost:%1"_s.arg(banc.serveur.port()));
        QTRY_VERIFY_WITH_TIMEOUT(ecoutes() == 2, 500);

        // The application quits by itself only inside its main loop: the test runs one, which a window
        // left open would keep going until the guard ends it with 1.
        if (parCtrlQ) {
            neufs->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(neufs));
        }
        QTimer::singleShot(0, this, [&] {
            if (parCtrlQ) {
                QTest::keyClick(neufs, Qt::Key_Q, Qt::ControlModifier);
            } else {
                banc.fenetre().close();
            }
        });
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });
        QVERIFY(QCoreApplication::exec() == 0 && !banc.fenetre().isVisible());
    }
};

VALTO_INSCRIRE_TESTS(TestFenetre)
#include "TestFenetre.moc"
