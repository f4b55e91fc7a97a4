#include "Captures.h"
#include "SettingsView.h"
#include "design/ChampSaisie.h"
#include "design/Libelle.h"
#include "design/StatusDot.h"
#include "design/ValtoButton.h"
#include "design/ValtoSelect.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct BancReglages {
    EnvironnementTest env;
    ServeurLocal serveur;
    std::unique_ptr<SettingsView> vue;

    // Active, as on a desk: the focus and the shortcuts depend on it.
    void ouvrir()
    {
        vue = std::make_unique<SettingsView>(env.preferences(), env.plateforme());
        vue->show();
        vue->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(vue.get()));
    }
    ChampSaisie* champ(const QString& cle) const { return vue->findChild<ChampSaisie*>(cle); }
    void tester() const { vue->findChild<ValtoButton*>(u"tester"_s)->declencher(); }
};

} // namespace

class TestReglages final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Absent keys show their defaults (in the picture) without storing them; "jamais" stores 0, not the
    // absence that reads as 7. The notices' box is on but unstored, next for Tab, off by Space, read out
    // with its label and state.
    void valeurs()
    {
        BancReglages banc;
        banc.env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, "cle-du-nas\n");
        banc.ouvrir();
        QVERIFY(!banc.env.preferences().contient(Preferences::cleApiBaseURL));
        QVERIFY(!banc.env.preferences().contient(Preferences::cleDefaultExpiryDays));
        VERIFIER_CAPTURES(*banc.vue->findChild<QWidget*>(u"contenu"_s), u"reglages-contenu"_s);
        auto* select = banc.vue->findChild<ValtoSelect*>(Preferences::cleDefaultExpiryDays);
        QStringList cles;
        connect(banc.vue.get(), &SettingsView::preferenceModifiee, [&](const QString& cle) { cles << cle; });
        select->menu()->actions().constLast()->trigger();
        QVERIFY(select->libelleSelectionne() == u"jamais"_s && cles == QStringList{select->objectName()});
        // Opened again, the menu ticks the choice and is at least as wide as the field.
        QTest::mouseClick(select, Qt::LeftButton);
        QVERIFY(select->menu()->isVisible() && select->menu()->actions().constLast()->isChecked());
        QVERIFY(select->menu()->width() >= select->width());
        select->menu()->close();
        select->setFocus(Qt::TabFocusReason);
        QTest::keyClick(select, Qt::Key_Tab);
        QVERIFY(!banc.env.preferences().contient(Preferences::clePrevenirReceptions));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        // Each keystroke is stored as typed: no trimming, no fall-back, an emptied field stays empty.
        ChampSaisie* url = banc.champ(Preferences::cleApiBaseURL);
        url->selectAll();
        QTest::keyClicks(url, u" https://t.test/ "_s);
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleApiBaseURL), QVariant(u" https://t.test/ "_s));
        url->selectAll();
        QTest::keyClick(url, Qt::Key_Backspace);

        // The key filled in from the NAS and the server's share list show the next time the window opens.
        QCOMPARE(banc.env.preferences().apiKey(), u"cle-du-nas"_s);
        banc.env.preferences().ecrire(Preferences::clePartagesConnus, QStringList{u"DATA"_s, u"ARCHIVES"_s});
        // Escape closes the window, as Ctrl+W in the same list of shortcuts; Ctrl+X does not.
        QTest::keyClick(banc.vue.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(banc.vue->isVisible());
        QTest::keyClick(banc.vue.get(), Qt::Key_Escape);
        QVERIFY(!banc.vue->isVisible());
        banc.vue->show();
        QCOMPARE(banc.champ(Preferences::cleApiKey)->text(), u"cle-du-nas"_s);
        QVERIFY(banc.vue->findChild<Libelle*>(u"aideNAS"_s)->text().contains(u"(DATA, ARCHIVES…)"_s));
        banc.env.rouvrirPreferences();
        QCOMPARE(banc.env.preferences().defaultExpiryDays(), 0);
        QVERIFY(!banc.env.preferences().prevenirReceptions());
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleApiBaseURL), QVariant(QString()));
    }

    // The test sends the fields as typed; a later failure replaces the earlier success. The focus never lands
    // in a field by itself, on opening or off the disabled test button: a keystroke would replace its text.
    void testConnexion()
    {
        BancReglages banc;
        banc.env.creerFichier(u"Volumes/DATA/Valto Transferts/.transfer-api-key"_s, "cle-du-nas");
        banc.env.preferences().ecrire(Preferences::cleApiBaseURL, banc.serveur.origine());
        banc.env.preferences().ecrire(Preferences::cleApiKey, u"cle saisie"_s);
        ReponseScriptee lente = ReponseScriptee::json(200, R"({"transferts":[]})");
        lente.delaiMs = 200;
        banc.serveur.repondre("GET", "/api/transferts", lente);
        banc.ouvrir();
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        auto* bouton = banc.vue->findChild<ValtoButton*>(u"tester"_s);
        auto* resultat = banc.vue->findChild<StatusDot*>(u"resultatTest"_s);
        QTest::mouseClick(bouton, Qt::LeftButton);
        QVERIFY(banc.vue->testEnCours() && !bouton->isEnabled());
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        QTRY_VERIFY(!banc.vue->testEnCours() && bouton->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
        QVERIFY(!banc.env.preferences().contient(Preferences::cleNasMountPath));
        QCOMPARE(banc.serveur.requetes().at(0).entetes.value("x-api-key"), QByteArray("cle saisie"));
        QCOMPARE(banc.vue->testResultat(), u"Connexion OK"_s);
        QVERIFY(resultat->tone() == StatusDot::Tone::success && resultat->isVisible() && bouton->isEnabled());

        // An emptied key field fails before anything is sent, though the NAS holds a key.
        banc.champ(Preferences::cleApiKey)->clear();
        banc.tester();
        QVERIFY(!banc.vue->testEnCours() && banc.serveur.requetes().size() == 1);
        // Its words are in the reading; the field above shows the loopback server's port, which changes
        // from run to run.
        VERIFIER_CAPTURES(*resultat->parentWidget(), u"reglages-cle-manquante"_s);

        banc.champ(Preferences::cleApiKey)->setText(u"cle"_s);
        banc.champ(Preferences::cleApiKey)->setFocus(); // started from a field, the test leaves it there
        ReponseScriptee refus = ReponseScriptee::json(401, R"({"detail":"Clé refusée."})");
        refus.delaiMs = 200;
        banc.serveur.remplacer("GET", "/api/transferts", refus);
        banc.tester();
        // The earlier result goes while the test runs.
        QVERIFY(resultat->isHidden());
        QTRY_VERIFY(!banc.vue->testEnCours());
        QCOMPARE(banc.vue->testResultat(), u"Serveur : erreur 401. Clé refusée."_s);
        QCOMPARE(QApplication::focusWidget(), banc.champ(Preferences::cleApiKey));
    }
};

VALTO_INSCRIRE_TESTS(TestReglages)
#include "TestReglages.moc"
