#include "Captures.h"
#include "CompareDropZoneView.h"
#include "DropZoneView.h"
#include "Emplacement.h"
#include "Glisser.h"
#include "design/Couleurs.h"
#include "design/SelecteurFichiers.h"
#include "design/ValtoButton.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int largeurEtape = 428;

// The dialog's stand-in: remembers what was asked and answers `reponse`.
struct DialogueSimule {
    QStringList reponse;
    int appels = 0;
    DemandeFichiers demande;

    DialogueSimule()
    {
        SelecteurFichiers::remplacer([this](QWidget*, const DemandeFichiers& d) {
            ++appels;
            demande = d;
            return reponse;
        });
    }
    ~DialogueSimule() { SelecteurFichiers::remplacer({}); }
};

QString nomOuVide(const std::optional<QString>& chemin)
{
    return chemin ? chemin->section(u'/', -1) : QString();
}

} // namespace

class TestDepots final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void zoneTransfert()
    {
        EnvironnementTest env;
        const QStringList chemins = {env.creerDossier(u"Projet"_s), env.creerFichier(u"b.txt"_s),
                                     env.creerFichier(u"a.mov"_s)};
        DropZoneView zone;
        QList<QStringList> depots;
        zone.surDepot = [&depots](const QStringList& c) { depots.append(c); };
        zone.resize(largeurEtape, 180);

        QVERIFY(!Glisser::deposerTexte(&zone, u"texte seul"_s));
        QVERIFY(Glisser::entrer(&zone, chemins));
        QVERIFY(zone.survol());
        Captures::enregistrer(zone, u"depot-survol"_s);
        Glisser::sortir(&zone);
        QVERIFY(!zone.survol());
        QVERIFY(Glisser::deposer(&zone, chemins));
        QVERIFY(!zone.survol());
        QCOMPARE(depots, QList<QStringList>{chemins});
        Captures::enregistrer(zone, u"depot"_s);
    }

    void dialogueTransfert_data()
    {
        QTest::addColumn<QStringList>("reponse");
        QTest::newRow("confirmé") << QStringList{u"/tmp/a.jpg"_s, u"/tmp/Dossier"_s};
        QTest::newRow("annulé") << QStringList();
    }
    void dialogueTransfert()
    {
        QFETCH(QStringList, reponse);
        DialogueSimule dialogue;
        dialogue.reponse = reponse;
        DropZoneView zone;
        QList<QStringList> depots;
        zone.surDepot = [&depots](const QStringList& c) { depots.append(c); };
        zone.resize(largeurEtape, 180);
        zone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zone));
        QTest::mouseClick(&zone, Qt::LeftButton, {}, QPoint(30, 150));
        QCOMPARE(dialogue.appels, 1);
        QCOMPARE(dialogue.demande.genre, DemandeFichiers::Genre::fichiersEtDossiers);
        QCOMPARE(dialogue.demande.bouton, u"Ajouter"_s);
        QCOMPARE(depots, reponse.isEmpty() ? QList<QStringList>() : QList<QStringList>{reponse});
    }

#ifndef Q_OS_MACOS
    // Qt's own dialog, driven as a user would: a folder and a file selected together both come back, and
    // the confirm button keeps its title. It relies on the dialog's undocumented child names.
    void dialogueReelFichiersEtDossiers()
    {
        EnvironnementTest env;
        const QString dossier = env.creerDossier(u"choix/Projet"_s);
        const QString fichier = env.creerFichier(u"choix/devis.pdf"_s, "x");
        QString titreBouton;
        bool confirme = false;
        QTimer pilote;
        QElapsedTimer depuis;
        depuis.start();
        connect(&pilote, &QTimer::timeout, this, [&] {
            auto* dialogue = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialogue) {
                return;
            }
            // A dialog that stays open after its confirm button fails the test instead of hanging it.
            if (depuis.elapsed() > 10000) {
                dialogue->reject();
                return;
            }
            if (confirme) {
                return;
            }
            dialogue->setDirectory(env.chemin(u"choix"_s));
            auto* vue = dialogue->findChild<QListView*>(u"listView"_s);
            if (vue->model()->rowCount(vue->rootIndex()) < 2) {
                return;
            }
            vue->selectAll();
            QCoreApplication::processEvents();
            auto* boutons = dialogue->findChild<QDialogButtonBox*>(u"buttonBox"_s);
            for (QAbstractButton* bouton : boutons->buttons()) {
                if (boutons->buttonRole(bouton) == QDialogButtonBox::AcceptRole) {
                    titreBouton = bouton->text();
                    confirme = true;
                    bouton->click();
                }
            }
        });
        pilote.start(50);
        QStringList choisis = SelecteurFichiers::dialoguePlateforme(
            nullptr, {DemandeFichiers::Genre::fichiersEtDossiers, {}, u"Ajouter"_s});
        choisis.sort();
        QCOMPARE(choisis, (QStringList{dossier, fichier}));
        QCOMPARE(titreBouton, u"Ajouter"_s);
    }
#endif

    // Each row: files already in the slots, one drop on a slot, then what was handed over and what stays.
    void remplissage_data()
    {
        QTest::addColumn<QString>("avant");
        QTest::addColumn<QString>("apres");
        QTest::addColumn<int>("emplacement");
        QTest::addColumn<QStringList>("deposes");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<QStringList>("remis");
        QTest::addColumn<QString>("resteAvant");
        QTest::addColumn<QString>("resteApres");
        QTest::newRow("une image sur avant")
            << ""
            << "" << 0 << QStringList{u"PHOTO.PNG"_s} << true << QStringList() << "PHOTO.PNG"
            << "";
        QTest::newRow("puis un pdf sur après") << "PHOTO.PNG"
                                               << "" << 1 << QStringList{u"plan.pdf"_s} << true
                                               << QStringList{u"PHOTO.PNG"_s, u"plan.pdf"_s} << ""
                                               << "";
        QTest::newRow("trois sur avant vide") << ""
                                              << "" << 0 << QStringList{u"a.jpg"_s, u"b.webp"_s, u"c.gif"_s}
                                              << true << QStringList{u"a.jpg"_s, u"b.webp"_s} << ""
                                              << "";
        QTest::newRow("deux sur après vide") << ""
                                             << "" << 1 << QStringList{u"a.jpg"_s, u"b.svg"_s} << true
                                             << QStringList{u"b.svg"_s, u"a.jpg"_s} << ""
                                             << "";
        QTest::newRow("deux sur après, avant pris") << "x.png"
                                                    << "" << 1 << QStringList{u"a.jpg"_s, u"b.jpg"_s} << true
                                                    << QStringList{u"x.png"_s, u"a.jpg"_s} << ""
                                                    << "";
        QTest::newRow("remplace l’un de deux pareils") << "a.jpg"
                                                       << "a.jpg" << 0 << QStringList{u"b.png"_s, u"c.png"_s}
                                                       << true << QStringList{u"b.png"_s, u"a.jpg"_s} << ""
                                                       << "";
        QTest::newRow("le même fichier deux fois")
            << "a.jpg"
            << "" << 1 << QStringList{u"a.jpg"_s} << true << QStringList() << "a.jpg"
            << "a.jpg";
        QTest::newRow("dossier refusé")
            << ""
            << "" << 0 << QStringList{u"Dossier.png/"_s} << false << QStringList() << ""
            << "";
        QTest::newRow("texte refusé")
            << "a.jpg"
            << "" << 1 << QStringList{u"notes.txt"_s} << false << QStringList() << "a.jpg"
            << "";
        QTest::newRow("extension en capitales")
            << ""
            << "" << 0 << QStringList{u"IMAGE.JPEG"_s} << true << QStringList() << "IMAGE.JPEG"
            << "";
        QTest::newRow("refusés écartés, acceptés gardés")
            << ""
            << "" << 0 << QStringList{u"notes.txt"_s, u"a.jpg"_s, u".png"_s, u"b.pdf"_s} << true
            << QStringList{u"a.jpg"_s, u"b.pdf"_s} << ""
            << "";
    }
    void remplissage()
    {
        QFETCH(QString, avant);
        QFETCH(QString, apres);
        QFETCH(int, emplacement);
        QFETCH(QStringList, deposes);
        QFETCH(bool, accepte);
        QFETCH(QStringList, remis);
        QFETCH(QString, resteAvant);
        QFETCH(QString, resteApres);
        EnvironnementTest env;
        const auto creer = [&env](const QString& nom) {
            return nom.endsWith(u'/') ? env.creerDossier(nom.chopped(1)) : env.creerFichier(nom, "x");
        };
        CompareDropZoneView zone;
        zone.resize(largeurEtape, 180);
        QList<QStringList> depots;
        zone.surDepot = [&depots](const QStringList& c) { depots.append(c); };
        auto* slotAvant = zone.findChild<Emplacement*>(u"avant"_s);
        auto* slotApres = zone.findChild<Emplacement*>(u"apres"_s);
        if (!avant.isEmpty()) {
            QVERIFY(Glisser::deposer(slotAvant, {creer(avant)}));
        }
        if (!apres.isEmpty()) {
            QVERIFY(Glisser::deposer(slotApres, {creer(apres)}));
        }
        QVERIFY(depots.isEmpty());

        QStringList chemins;
        for (const QString& nom : deposes) {
            chemins.append(creer(nom));
        }
        QCOMPARE(Glisser::deposer(emplacement == 0 ? slotAvant : slotApres, chemins), accepte);
        QStringList remisNoms;
        for (const QStringList& depot : depots) {
            for (const QString& chemin : depot) {
                remisNoms.append(chemin.section(u'/', -1));
            }
        }
        QCOMPARE(remisNoms, remis);
        QCOMPARE(nomOuVide(zone.urlAvant()), resteAvant);
        QCOMPARE(nomOuVide(zone.urlApres()), resteApres);
        if (!remis.isEmpty()) {
            QCOMPARE(depots.first().first(), env.chemin(remis.first()));
        }
    }

    void retirerEtChoisir()
    {
        EnvironnementTest env;
        const QString image = env.creerFichier(u"avant.jpg"_s, "x");
        DialogueSimule dialogue;
        dialogue.reponse = {image};
        CompareDropZoneView zone;
        zone.resize(largeurEtape, 180);
        zone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zone));
        auto* slotAvant = zone.findChild<Emplacement*>(u"avant"_s);
        QTest::mouseClick(slotAvant, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(dialogue.demande.genre, DemandeFichiers::Genre::unFichier);
        QCOMPARE(dialogue.demande.extensions, TransferFlow::extensionsCompare);
        QCOMPARE(dialogue.demande.bouton, u"Choisir"_s);
        QCOMPARE(zone.urlAvant(), image);
        Captures::enregistrer(zone, u"compare-un-rempli"_s);

        // "Retirer" takes its own click: no dialog opens.
        auto* retirer = slotAvant->findChild<ValtoButton*>(u"retirer"_s);
        QVERIFY(retirer->isVisible());
        QTest::mouseClick(retirer, Qt::LeftButton);
        QCOMPARE(zone.urlAvant(), std::nullopt);
        QCOMPARE(dialogue.appels, 1);
        QVERIFY(!retirer->isVisible());
    }

    // A drag over an empty slot changes its fill; a filled slot keeps its look.
    void survolDesEmplacements()
    {
        EnvironnementTest env;
        const QString image = env.creerFichier(u"photo.png"_s, "x");
        CompareDropZoneView zone;
        zone.resize(largeurEtape, 180);
        zone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zone));
        auto* slotAvant = zone.findChild<Emplacement*>(u"avant"_s);
        auto* slotApres = zone.findChild<Emplacement*>(u"apres"_s);
        QVERIFY(Glisser::deposer(slotApres, {image}));
        const QPoint fond(8, 90);
        QCOMPARE(Captures::pixel(*slotAvant, fond), Couleurs::surface().clair);
        QVERIFY(Glisser::entrer(slotAvant, {image}));
        QCOMPARE(Captures::pixel(*slotAvant, fond), Couleurs::surfaceSurvol().clair);
        Captures::enregistrer(zone, u"compare-survol"_s);
        Glisser::sortir(slotAvant);
        QCOMPARE(Captures::pixel(*slotAvant, fond), Couleurs::surface().clair);
        QVERIFY(Glisser::entrer(slotApres, {image}));
        QVERIFY(slotApres->survol());
        QCOMPARE(Captures::pixel(*slotApres, fond), Couleurs::champ().clair);
        Glisser::sortir(slotApres);
    }
};

VALTO_INSCRIRE_TESTS(TestDepots)
#include "TestDepots.moc"
