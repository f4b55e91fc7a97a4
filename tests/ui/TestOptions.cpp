#include "Captures.h"
#include "Glisser.h"
#include "LigneFichier.h"
#include "OptionsView.h"
#include "design/ActionIcone.h"
#include "design/ChampSaisie.h"
#include "design/Libelle.h"
#include "design/SelecteurFichiers.h"
#include "design/ValtoBadge.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QInputMethodEvent>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The title given to several files carries the day: a fixed one keeps the pictures still.
Plateforme aDateFixe(Plateforme plateforme)
{
    plateforme.maintenant = [] { return QDateTime(QDate(2026, 12, 4), QTime(12, 0), Qt::UTC); };
    return plateforme;
}

// A flow holding files (the n-th one n bytes long) and its screen, shown at the step area's width.
struct Ecran {
    EnvironnementTest env;
    TransferFlow flow;
    OptionsView vue;
    QStringList chemins;

    explicit Ecran(Mode mode, const QStringList& relatifs = {u"a.txt"_s})
        : flow(mode, env.preferences(), aDateFixe(env.plateforme()))
        , vue(flow, env.preferences(), env.plateforme(), {1, 3, 7, 14, 30, 0})
    {
        for (qsizetype i = 0; i < relatifs.size(); ++i) {
            chemins.append(env.creerFichier(relatifs.at(i), QByteArray(i + 1, 'x')));
        }
        flow.ajouter(chemins);
        vue.resize(428, vue.sizeHint().height());
        vue.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vue));
    }

    template <typename T> T* trouver(const QString& nom) { return vue.findChild<T*>(nom); }
    QList<LigneFichier*> lignes() { return vue.findChildren<LigneFichier*>(); }
};

} // namespace

class TestOptions final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The summary under the rows, and what the title field writes into the flow as the user types: the
    // input method also carries tabs and non-ASCII spaces, and "Créer" follows the trimmed title.
    void resume_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<bool>("actif");
        QTest::newRow("un fichier") << Mode::transfert << QStringList{u"devis.pdf"_s} << u"1 élément · 1 o"_s
                                    << u"\t \t"_s << false;
        QTest::newRow("comparaison à une image")
            << Mode::compare << QStringList{u"avant.jpg"_s} << u"1 élément · 1 o — dépose encore un fichier"_s
            << u"  Rendus  "_s << false;
        QTest::newRow("comparaison complète") << Mode::compare << QStringList{u"avant.jpg"_s, u"apres.png"_s}
                                              << u"2 éléments · 3 o"_s << u"\u00a0\u2009"_s << false;
        QTest::newRow("six fichiers") << Mode::transfert << QString(u"a,b,c,d,e,f"_s).split(u',')
                                      << u"6 éléments · 21 o"_s << u"  Rendus  "_s << true;
    }
    void resume()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, noms);
        QFETCH(QString, attendu);
        QFETCH(QString, titre);
        Ecran ecran(mode, noms);
        // The size is counted on a worker. The picture holds the rows and whether "Créer" is on.
        QTRY_COMPARE(ecran.trouver<Libelle>(u"resume"_s)->text(), attendu);
        VERIFIER_CAPTURES(ecran.vue, u"options-"_s + QString::fromUtf8(QTest::currentDataTag()));
        auto* champ = ecran.trouver<ChampSaisie>(u"titre"_s);
        champ->selectAll();
        QTest::keyClick(champ, Qt::Key_Backspace);
        QInputMethodEvent saisie;
        saisie.setCommitString(titre);
        QCoreApplication::sendEvent(champ, &saisie);
        QCOMPARE(ecran.flow.titre(), titre);
        QTEST(ecran.trouver<ValtoPrimaryButton>(u"creer"_s)->isEnabled(), "actif");
    }

    // What the controls write into the flow. Files dropped anywhere, a text field included, join the list;
    // each row's badge tells whether its file is copied; a row's cross removes its file, "Annuler" all of
    // them.
    void saisies()
    {
        Ecran ecran(Mode::transfert);
        const QString b = ecran.env.creerFichier(u"b.txt"_s, "x");
        const QString c = ecran.env.creerFichier(u"Volumes/DATA/Clients/c.txt"_s, "x");
        QVERIFY(Glisser::deposer(&ecran.vue, {b}));
        auto* titre = ecran.trouver<ChampSaisie>(u"titre"_s);
        QVERIFY(Glisser::deposer(titre, {c}));
        QCOMPARE(ecran.flow.urls(), (QStringList{ecran.chemins.at(0), b, c}));
        QCOMPARE(titre->text(), u"a"_s);
        auto* expiration = ecran.trouver<ValtoSelect>(u"expiration"_s);
        expiration->menu()->actions().last()->trigger();
        QCOMPARE(ecran.flow.expirationJours(), 0);
        QCOMPARE(expiration->libelleSelectionne(), u"jamais"_s);
        auto* motDePasse = ecran.trouver<ChampSaisie>(u"motDePasse"_s);
        QCOMPARE(motDePasse->echoMode(), QLineEdit::Password);
        QTest::keyClicks(motDePasse, u"secret"_s);
        QCOMPARE(ecran.flow.motDePasse(), u"secret"_s);
        QTRY_COMPARE(ecran.lignes().size(), 3);
        const auto aide = [&](int ligne) {
            return ecran.lignes().at(ligne)->findChild<ValtoBadge*>()->toolTip();
        };
        QCOMPARE(aide(0), u"Hors NAS — sera copié dans Valto Transferts"_s);
        QCOMPARE(aide(2), u"Déjà sur le NAS — sera référencé, pas copié"_s);
        QTest::mouseClick(ecran.lignes().first()->findChild<ActionIcone*>(u"retirer"_s), Qt::LeftButton);
        QCOMPARE(ecran.flow.urls(), (QStringList{b, c}));
        QTRY_COMPARE(ecran.lignes().size(), 2);
        QTest::mouseClick(ecran.trouver<ValtoButton>(u"annuler"_s), Qt::LeftButton);
        QCOMPARE(ecran.flow.etape(), Etape::attente());
        QVERIFY(ecran.flow.urls().isEmpty());
    }

    void dialogueAjouter_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<DemandeFichiers::Genre>("genre");
        QTest::newRow("transfert") << Mode::transfert << DemandeFichiers::Genre::fichiersEtDossiers;
        QTest::newRow("comparaison") << Mode::compare << DemandeFichiers::Genre::unFichier;
    }
    void dialogueAjouter()
    {
        QFETCH(Mode, mode);
        Ecran ecran(mode, {u"avant.jpg"_s});
        const QString second = ecran.env.creerFichier(u"apres.jpg"_s, "x");
        DemandeFichiers demande;
        SelecteurFichiers::remplacer([&](QWidget*, const DemandeFichiers& d) {
            demande = d;
            return QStringList{second};
        });
        QTest::mouseClick(ecran.trouver<ValtoButton>(u"ajouter"_s), Qt::LeftButton);
        SelecteurFichiers::remplacer({});
        QTEST(demande.genre, "genre");
        QCOMPARE(demande.extensions.isEmpty(), mode == Mode::transfert);
        QCOMPARE(ecran.flow.urls(), (QStringList{ecran.chemins.at(0), second}));
    }
};

VALTO_INSCRIRE_TESTS(TestOptions)
#include "TestOptions.moc"
