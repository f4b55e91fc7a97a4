#include "Captures.h"
#include "CompareDropZoneView.h"
#include "DropZoneView.h"
#include "Emplacement.h"
#include "Glisser.h"
#include "LigneFichier.h"
#include "OptionsView.h"
#include "design/ActionIcone.h"
#include "design/ChampSaisie.h"
#include "design/DialogueFichiers.h"
#include "design/Libelle.h"
#include "design/SelecteurFichiers.h"
#include "design/ValtoBadge.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The dialog's stand-in: remembers what was asked and answers `reponse`.
struct DialogueSimule {
    QStringList reponse;
    DemandeFichiers demande;

    DialogueSimule()
    {
        SelecteurFichiers::remplacer([this](QWidget*, const DemandeFichiers& d) {
            demande = d;
            return reponse;
        });
    }
    ~DialogueSimule() { SelecteurFichiers::remplacer({}); }
};

// A drop zone on screen, recording what it hands over.
template <typename Zone> struct ZoneAffichee {
    Zone zone;
    QList<QStringList> depots;

    ZoneAffichee()
    {
        zone.surDepot = [this](const QStringList& c) { depots.append(c); };
        zone.resize(428, 180);
        zone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zone));
    }
    Emplacement* emplacement(int index) const
    {
        return zone.template findChild<Emplacement*>(index == 0 ? u"avant"_s : u"apres"_s);
    }
};

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
        , vue(flow, env.preferences(), env.plateforme())
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

// Files coming in: the drop zones, the file dialogs and the options screen that lists what came.
class TestDepots final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Files dragged in or chosen in the dialog are handed over as they are; a drag without files is refused.
    void zoneTransfert()
    {
        EnvironnementTest env;
        const QStringList chemins = {env.creerDossier(u"Projet"_s), env.creerFichier(u"b.txt"_s)};
        DialogueSimule dialogue;
        dialogue.reponse = {u"/tmp/a.jpg"_s, u"/tmp/Dossier"_s};
        ZoneAffichee<DropZoneView> z;
        QVERIFY(!Glisser::deposer(&z.zone, {}, false) && Glisser::deposer(&z.zone, chemins, false));
        VERIFIER_CAPTURES(z.zone, u"depot-survol"_s);
        QDragLeaveEvent sortie;
        QCoreApplication::sendEvent(&z.zone, &sortie);
        QVERIFY(!z.zone.survol() && Glisser::deposer(&z.zone, chemins) && !z.zone.survol());
        QTest::mouseClick(&z.zone, Qt::LeftButton, {}, QPoint(30, 150));
        QCOMPARE(dialogue.demande.genre, DemandeFichiers::Genre::fichiersEtDossiers);
        QCOMPARE(z.depots, (QList<QStringList>{chemins, dialogue.reponse}));
    }

#ifndef Q_OS_MACOS
    // Each dialog opens in the folder of the last one confirmed. The one-file dialog offers the asked types
    // under the asked title; in the other, a typed folder is opened and a typed file taken (spaces around
    // it dropped), and files and folders are chosen together in the rows, the button keeping its title.
    void dialogues()
    {
        using enum DemandeFichiers::Genre;
        EnvironnementTest env;
        const QStringList lignes{env.creerDossier(u"choix/Plans"_s), env.creerFichier(u"choix/photo.jpg"_s)};
        const QString plan = env.creerFichier(u"choix/Plans/plan.pdf"_s);
        DialogueFichiers::retenirDossier(env.chemin(u"choix"_s));
        QStringList vus;
        for (const int passe : {0, 1, 2}) {
            QTimer::singleShot(0, this, [&] {
                auto* dialogue = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                vus.append(dialogue->directory().dirName());
                auto* nom = dialogue->findChild<QLineEdit*>(u"fileNameEdit"_s);
                if (passe == 0) {
                    vus << dialogue->nameFilters() << dialogue->labelText(QFileDialog::Accept);
                    dialogue->selectFile(plan);
                } else if (passe == 1) {
                    QTest::keyClicks(nom, u".."_s);
                    QTest::keyClick(nom, Qt::Key_Return);
                    vus.append(dialogue->directory().dirName());
                    QTest::keyClicks(nom, u" photo.jpg "_s);
                } else {
                    auto* liste = dialogue->findChild<QListView*>(u"listView"_s);
                    QTRY_VERIFY(liste->model()->rowCount(liste->rootIndex()) == 2);
                    liste->selectAll();
                    auto* bouton = dialogue->findChild<QDialogButtonBox*>()->buttons().constFirst();
                    QTRY_VERIFY(bouton->text() == u"Ajouter"_s);
                }
                QTest::keyClick(dialogue, Qt::Key_Return);
            });
            vus += SelecteurFichiers::dialoguePlateforme(
                nullptr, {passe == 0 ? unFichier : fichiersEtDossiers, {u"pdf"_s}, u"Ajouter"_s});
        }
        QCOMPARE(vus, (QStringList{u"choix"_s, u"Images et PDF (*.PDF *.pdf)"_s, u"Ajouter"_s, plan,
                                   u"Plans"_s, u"choix"_s, lignes.last(), u"choix"_s} +
                       lignes));
        QCOMPARE(DialogueFichiers::dossierDepart(), env.chemin(u"choix"_s));
    }
#endif

    // The files already in the slots ("avant|après"), one drop, what is handed over and what stays.
    void remplissage_data()
    {
        QTest::addColumn<QString>("avant");
        QTest::addColumn<int>("emplacement");
        QTest::addColumn<QString>("deposes");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<QString>("remis");
        QTest::addColumn<QString>("reste");
        QTest::newRow("une image sur avant")
            << u"|"_s << 0 << u"PHOTO.PNG"_s << true << u""_s << u"PHOTO.PNG|"_s;
        QTest::newRow("deux sur après vide")
            << u"|"_s << 1 << u"a.jpg,b.svg"_s << true << u"b.svg,a.jpg"_s << u"|"_s;
        QTest::newRow("deux sur après, avant pris")
            << u"x.png|"_s << 1 << u"a.jpg,b.jpg"_s << true << u"x.png,a.jpg"_s << u"|"_s;
        QTest::newRow("remplace l’un de deux pareils")
            << u"a.jpg|a.jpg"_s << 0 << u"b.png,c.png"_s << true << u"b.png,a.jpg"_s << u"|"_s;
        QTest::newRow("le même fichier deux fois")
            << u"a.jpg|"_s << 1 << u"a.jpg"_s << true << u""_s << u"a.jpg|a.jpg"_s;
        QTest::newRow("dossier refusé") << u"|"_s << 0 << u"Dossier.png/"_s << false << u""_s << u"|"_s;
        QTest::newRow("refusés écartés, acceptés gardés")
            << u"|"_s << 0 << u"notes.txt,a.jpg,.png,b.pdf"_s << true << u"a.jpg,b.pdf"_s << u"|"_s;
    }
    void remplissage()
    {
        QFETCH(QString, avant);
        QFETCH(int, emplacement);
        QFETCH(QString, deposes);
        EnvironnementTest env;
        const auto creer = [&env](const QString& nom) {
            return nom.endsWith(u'/') ? env.creerDossier(nom.chopped(1)) : env.creerFichier(nom, "x");
        };
        ZoneAffichee<CompareDropZoneView> z;
        for (int i = 0; i < 2; ++i) {
            if (const QString nom = avant.section(u'|', i, i); !nom.isEmpty()) {
                QVERIFY(Glisser::deposer(z.emplacement(i), {creer(nom)}));
            }
        }
        QTEST(Glisser::deposer(z.emplacement(emplacement), projeter(deposes.split(u','), creer)), "accepte");
        QVERIFY(!z.emplacement(emplacement)->survol());
        QStringList remis;
        for (const QStringList& depot : z.depots) {
            remis += depot;
        }
        QTEST(remis.join(u',').remove(env.chemin({}) + u'/'), "remis");
        const auto nom = [](const std::optional<QString>& chemin) {
            return chemin.value_or(QString()).section(u'/', -1);
        };
        QTEST(nom(z.zone.urlAvant()) + u'|' + nom(z.zone.urlApres()), "reste");
    }

    void retirerEtChoisir()
    {
        EnvironnementTest env;
        DialogueSimule dialogue;
        dialogue.reponse = {env.creerFichier(u"avant.jpg"_s, "x")};
        ZoneAffichee<CompareDropZoneView> z;
        QTest::mouseClick(z.emplacement(0), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(dialogue.demande.genre, DemandeFichiers::Genre::unFichier);
        QCOMPARE(dialogue.demande.extensions, TransferFlow::extensionsCompare);
        QCOMPARE(z.zone.urlAvant(), dialogue.reponse.first());
        VERIFIER_CAPTURES(z.zone, u"compare-un-rempli"_s);

        // "Retirer" takes its own click: no dialog opens to fill the slot again.
        QTest::mouseClick(z.emplacement(0)->findChild<ValtoButton*>(u"retirer"_s), Qt::LeftButton);
        QVERIFY(z.zone.urlAvant() == std::nullopt && !Glisser::deposer(z.emplacement(1), {}, false));
        QVERIFY(Glisser::deposer(z.emplacement(1), dialogue.reponse, false));
        VERIFIER_CAPTURES(z.zone, u"compare-survol"_s);
        QDragLeaveEvent sortie;
        QCoreApplication::sendEvent(z.emplacement(1), &sortie);
        VERIFIER_CAPTURES(z.zone, u"compare-vide"_s);
        // A name typed in the dialog is checked as a drop is.
        dialogue.reponse = {env.creerFichier(u"notes.txt"_s, "x")};
        QTest::mouseClick(z.emplacement(0), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(z.zone.urlAvant(), std::nullopt);
    }

    // The summary under the rows, where a name like markup reads as typed, and the title the flow gets as
    // the user types: the input method also carries tabs and non-ASCII spaces; "Créer" follows it trimmed.
    void resume_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<bool>("actif");
        QTest::newRow("un fichier")
            << Mode::transfert << QStringList{u"devis chantier rue des Alpes, façade nord et toitures.pdf"_s}
            << u"1 élément · 1 o"_s << u"\t \t"_s << false;
        QTest::newRow("comparaison à une image")
            << Mode::compare << QStringList{u"avant.jpg"_s} << u"1 élément · 1 o — dépose encore un fichier"_s
            << u"  Rendus  "_s << false;
        QTest::newRow("comparaison complète") << Mode::compare << QStringList{u"avant.jpg"_s, u"apres.png"_s}
                                              << u"2 éléments · 3 o"_s << u"\u00a0\u2009"_s << false;
        QTest::newRow("six fichiers") << Mode::transfert << QString(u"a,b,c,d,e,<br>f"_s).split(u',')
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

    // What the controls write into the flow. Files dropped anywhere, a text field too, or chosen with
    // "Ajouter…" join the list; a drag without files is refused; a file on the NAS says it is not copied; a
    // row's cross removes its file, "Annuler" all of them.
    void saisies()
    {
        Ecran ecran(Mode::transfert);
        const QString b = ecran.env.creerFichier(u"b.txt"_s, "x");
        const QString c = ecran.env.creerFichier(u"Volumes/DATA/Clients/c.txt"_s, "x");
        DialogueSimule dialogue;
        dialogue.reponse = {ecran.env.creerFichier(u"d.txt"_s, "x")};
        QVERIFY(!Glisser::deposer(&ecran.vue, {}, false));
        auto* motDePasse = ecran.trouver<ChampSaisie>(u"motDePasse"_s);
        QVERIFY(Glisser::deposer(motDePasse, {b}));
        auto* titre = ecran.trouver<ChampSaisie>(u"titre"_s);
        QVERIFY(Glisser::deposer(titre, {c}));
        QTest::mouseClick(ecran.trouver<ValtoButton>(u"ajouter"_s), Qt::LeftButton);
        QCOMPARE(dialogue.demande.genre, DemandeFichiers::Genre::fichiersEtDossiers);
        QCOMPARE(ecran.flow.urls(), (QStringList{ecran.chemins.at(0), b, c} + dialogue.reponse));
        QCOMPARE(titre->text(), u"a"_s);
        const QList<QAction*> choix = ecran.trouver<ValtoSelect>(u"expiration"_s)->menu()->actions();
        choix.last()->trigger();
        QVERIFY(ecran.flow.expirationJours() == 0 && choix.first()->text() == u"1 jour"_s);
        QTest::keyClicks(motDePasse, u"secret"_s);
        QCOMPARE(ecran.flow.motDePasse(), u"secret"_s);
        QTRY_COMPARE(ecran.lignes().size(), 4);
        QCOMPARE(ecran.lignes().at(2)->findChild<ValtoBadge*>()->toolTip(),
                 u"Déjà sur le NAS — sera référencé, pas copié"_s);
        QTest::mouseClick(ecran.lignes().first()->findChild<ActionIcone*>(u"retirer"_s), Qt::LeftButton);
        QCOMPARE(ecran.flow.urls(), (QStringList{b, c} + dialogue.reponse));
        QTRY_COMPARE(ecran.lignes().size(), 3);
        QTest::mouseClick(ecran.trouver<ValtoButton>(u"annuler"_s), Qt::LeftButton);
        QVERIFY(ecran.flow.etape() == Etape::attente() && ecran.flow.urls().isEmpty());
    }
};

VALTO_INSCRIRE_TESTS(TestDepots)
#include "TestDepots.moc"
