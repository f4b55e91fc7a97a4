#include "BancApplication.h"
#include "Captures.h"
#include "ConfirmationAbandon.h"
#include "LigneHistorique.h"
#include "SettingsView.h"
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

namespace {

void cliquer(QWidget* parent, const QString& nom)
{
    auto* bouton = parent->findChild<QWidget*>(nom);
    QVERIFY2(bouton, qPrintable(nom));
    QTest::mouseClick(bouton, Qt::LeftButton, {}, bouton->rect().center());
}

} // namespace

// The main window of the real application against the loopback server, offscreen: what belongs to the
// window itself (closing, the keyboard across it, the settings), its content being the UI suite's.
class TestFenetre final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Abandoning a transfer under way, by "Annuler" on the copy screen or by closing the window and
    // confirming: the copy stops, the transfer's folder goes, nothing is registered; the window (and with
    // it the application) ends only after that. Keeping the transfer leaves it to finish.
    void abandon_data()
    {
        QTest::addColumn<Etape::Cas>("a");
        QTest::addColumn<QString>("geste");
        QTest::addColumn<bool>("abandonne");
        QTest::newRow("annuler") << Etape::Cas::copie << u"annuler"_s << true;
        QTest::newRow("fermer pendant la copie") << Etape::Cas::copie << u"abandonner"_s << true;
        QTest::newRow("fermer, puis continuer") << Etape::Cas::copie << u"continuer"_s << false;
        QTest::newRow("fermer pendant l'enregistrement")
            << Etape::Cas::enregistrement << u"abandonner"_s << true;
    }
    void abandon()
    {
        QFETCH(Etape::Cas, a);
        QFETCH(QString, geste);
        QFETCH(bool, abandonne);
        BancApplication banc;
        ReponseScriptee creationLente = ReponseScriptee::json(201, BancApplication::reponseCreation);
        creationLente.delaiMs = 2000;
        banc.serveur.remplacer("POST", "/api/transferts", creationLente);
        banc.montrer();
        int questions = 0;
        QString ecartsQuestion;
        banc.fenetre().confirmerAbandon = [&](QWidget* fenetre) {
            ConfirmationAbandon question(fenetre);
            question.adjustSize();
            ecartsQuestion = Captures::comparer(question, u"confirmation-abandon"_s);
            ++questions;
            return geste == u"abandonner"_s;
        };
        TransferFlow& flow = banc.contenu().flowTransfert();
        flow.ajouter({banc.creer(u"maison/film.mov"_s, QByteArray(32 * 1024 * 1024, 'f'))});
        connect(&flow, &TransferFlow::etapeChanged, this, [&] {
            if (flow.etape().cas != a) {
                return;
            }
            if (geste == u"annuler"_s) {
                VERIFIER_CAPTURES(banc.fenetre(), u"fenetre-copie-annulable"_s);
                cliquer(banc.contenu().ecran(), u"annuler"_s);
            } else {
                banc.fenetre().close();
                // The process outlives the window while the folder goes.
                QCOMPARE(banc.terminaisons, 0);
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
        QCOMPARE(banc.fenetre().isVisible(), !fermee);
        QCOMPARE(banc.terminaisons, fermee ? 1 : 0);
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    }

    // Tab walks the window from the first control to the last history row and Shift+Tab back; every step
    // lands on an action, never on the window's own background. A row made later (b, sent after the
    // window opened) takes its place in the list's order.
    void clavier()
    {
        BancApplication banc;
        const auto ajouter = [&](const QString& token) {
            Transfert t;
            t.token = token;
            t.titre = token.left(1);
            t.url = u"https://t.example/"_s + token;
            banc.app().historique().ajouter(t);
        };
        ajouter(u"aaaaaaaaaa"_s);
        banc.montrer();
        ajouter(u"bbbbbbbbbb"_s);
        banc.fenetre().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&banc.fenetre()));
        const auto nom = [] {
            QWidget* focus = QApplication::focusWidget();
            if (auto* ligne = qobject_cast<LigneHistorique*>(focus)) {
                return u"ligne "_s + ligne->transfert().titre;
            }
            return focus->objectName().isEmpty() ? QString::fromLatin1(focus->metaObject()->className())
                                                 : focus->objectName();
        };
        QCOMPARE(QApplication::focusWidget(), &banc.contenu());
        QStringList attendu{u"reglages"_s,   u"onglets"_s, u"DropZoneView"_s,
                            u"rafraichir"_s, u"ligne b"_s, u"ligne a"_s};
#ifdef Q_OS_MACOS
        attendu.removeFirst(); // the settings are in the menu bar there
#endif
        QStringList aller;
        for (qsizetype i = 0; i < attendu.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            aller.append(nom());
        }
        QCOMPARE(aller, attendu);
        QStringList retour;
        for (qsizetype i = 1; i < attendu.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            retour.prepend(nom());
        }
        QCOMPARE(retour, attendu.mid(0, attendu.size() - 1));
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
        const auto ouvrir = [&] {
            if (parLeBouton) {
                cliquer(&banc.contenu(), u"reglages"_s);
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
        SettingsView* seconds = banc.app().reglages();
        QCOMPARE(seconds->testResultat(), std::nullopt);
        QCOMPARE(seconds->findChild<QScrollArea*>()->verticalScrollBar()->value(), 0);

        // The application quits by itself only inside its main loop: the test runs one, which a window
        // left open would keep going until the guard ends it with 1.
        if (parCtrlQ) {
            seconds->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(seconds));
        }
        QTimer::singleShot(0, this, [&] {
            if (parCtrlQ) {
                QTest::keyClick(seconds, Qt::Key_Q, Qt::ControlModifier);
            } else {
                banc.fenetre().close();
            }
        });
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!banc.fenetre().isVisible());
    }
};

VALTO_INSCRIRE_TESTS(TestFenetre)
#include "TestFenetre.moc"
