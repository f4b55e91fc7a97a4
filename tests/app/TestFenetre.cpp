#include "BancApplication.h"
#include "Captures.h"
#include "ChampLien.h"
#include "CompareDropZoneView.h"
#include "ConfirmationAbandon.h"
#include "DropZoneView.h"
#include "ErreurView.h"
#include "Glisser.h"
#include "HistoryView.h"
#include "LigneHistorique.h"
#include "MiseAJourBanniere.h"
#include "OptionsView.h"
#include "ProgressionView.h"
#include "ResultatView.h"
#include "SettingsView.h"
#include "ZoneEtape.h"
#include "design/Animations.h"
#include "design/DSBar.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSegmented.h"
#include "flow/TransferFlow.h"
#include "support/ExecuterTests.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString texte(QWidget* parent, const QString& nom)
{
    return parent->findChild<QLabel*>(nom)->text();
}

// What the step area shows, in a few words; the copy's detail changes all along, so it is left out.
QString decrire(QWidget* ecran)
{
    if (qobject_cast<DropZoneView*>(ecran)) {
        return u"dépôt"_s;
    }
    if (qobject_cast<CompareDropZoneView*>(ecran)) {
        return u"comparaison"_s;
    }
    if (auto* progression = qobject_cast<ProgressionView*>(ecran)) {
        const QString titre = texte(progression, u"titre"_s);
        return titre == u"Copie vers le NAS…"_s ? titre : titre + u" / "_s + texte(progression, u"detail"_s);
    }
    if (auto* resultat = qobject_cast<ResultatView*>(ecran)) {
        return u"résultat / "_s + resultat->findChild<ValtoButton*>(u"nouveau"_s)->titre();
    }
    if (auto* erreur = qobject_cast<ErreurView*>(ecran)) {
        return u"erreur / "_s + texte(erreur, u"message"_s);
    }
    return QString::fromLatin1(ecran->metaObject()->className());
}

void cliquer(QWidget* parent, const QString& nom)
{
    auto* bouton = parent->findChild<QWidget*>(nom);
    QVERIFY2(bouton, qPrintable(nom));
    QTest::mouseClick(bouton, Qt::LeftButton, {}, bouton->rect().center());
}

void choisirOnglet(ContentView& contenu, ContentView::Onglet onglet)
{
    auto* onglets = contenu.findChild<ValtoSegmented*>(u"onglets"_s);
    const QPointF centre = onglets->zoneSegment(onglet == ContentView::Onglet::compare ? 1 : 0).center();
    QTest::mouseClick(onglets, Qt::LeftButton, {}, centre.toPoint());
    QCOMPARE(contenu.onglet(), onglet);
}

void attendreFin(TransferFlow& flow)
{
    QTRY_VERIFY_WITH_TIMEOUT(
        flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 15000);
}

// What the banner shows at one moment.
struct VueBanniere {
    bool presente = false;
    QString message;
    bool activite = false;
    std::optional<double> barre;
    bool telecharger = false;
    bool masquer = false;

    bool operator==(const VueBanniere&) const = default;
};

VueBanniere lireBanniere(MiseAJourBanniere& banniere)
{
    const auto visible = [&](const QString& nom) { return !banniere.findChild<QWidget*>(nom)->isHidden(); };
    // A shown bar without a value (the moving segment) reads -1.
    const auto* barre = banniere.findChild<DSBar*>(u"barre"_s);
    return {banniere.presente(),
            texte(&banniere, u"message"_s),
            visible(u"activite"_s),
            barre->isHidden() ? std::nullopt : std::optional(barre->value().value_or(-1.0)),
            visible(u"telecharger"_s),
            visible(u"masquer"_s)};
}

using Preparation = std::function<void(BancApplication&)>;

} // namespace

Q_DECLARE_METATYPE(Preparation)
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(ReponseScriptee)
Q_DECLARE_METATYPE(VueBanniere)

// The main window of the real application against the loopback server, offscreen.
class TestFenetre final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a user does: drop files on the tab's drop zone, type a title, create the link. Each step shows
    // its screen; a success puts the link on screen, on the clipboard and first in the history; the
    // result's and the error's buttons lead back to the drop zone.
    void envoiDepuisLaFenetre_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("fichiers");
        QTest::addColumn<int>("statutCreation");
        QTest::addColumn<QStringList>("ecrans");
        // The configured server (127.0.0.1), not the default one (localhost).
        const QString creation = u"Création du lien… / Enregistrement auprès de 127.0.0.1"_s;
        QTest::newRow("transfert depuis la maison")
            << Mode::transfert << QStringList{u"maison/Bureau/photo.jpg"_s} << 201
            << QStringList{u"Copie vers le NAS…"_s, creation, u"résultat / Nouveau transfert"_s, u"dépôt"_s};
        QTest::newRow("comparaison sur le NAS")
            << Mode::compare << QStringList{u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s} << 201
            << QStringList{creation, u"résultat / Nouvelle comparaison"_s, u"comparaison"_s};
        QTest::newRow("refus du serveur")
            << Mode::transfert << QStringList{u"Volumes/DATA/plan.pdf"_s} << 500
            << QStringList{creation, u"erreur / Serveur : erreur 500. Disque plein"_s, u"dépôt"_s};
    }
    void envoiDepuisLaFenetre()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, fichiers);
        QFETCH(int, statutCreation);
        QFETCH(QStringList, ecrans);
        BancApplication banc;
        const bool reussi = statutCreation == 201;
        if (!reussi) {
            banc.serveur.remplacer("POST", "/api/transferts",
                                   ReponseScriptee::json(statutCreation, "{\"detail\":\"Disque plein\"}"));
        }
        banc.montrer();
        ContentView& contenu = banc.contenu();
        choisirOnglet(contenu,
                      mode == Mode::compare ? ContentView::Onglet::compare : ContentView::Onglet::transfert);
        QStringList chemins;
        for (const QString& fichier : fichiers) {
            chemins.append(banc.creer(fichier, "pixels"));
        }
        // Both files of a comparison go on the "before" slot, which hands the second to the other.
        QWidget* zone = contenu.ecran()->findChild<QWidget*>(u"avant"_s);
        QVERIFY(Glisser::deposer(zone ? zone : contenu.ecran(), chemins));
        auto* options = qobject_cast<OptionsView*>(contenu.ecran());
        QVERIFY(options);
        auto* titre = options->findChild<QLineEdit*>(u"titre"_s);
        titre->selectAll();
        QTest::keyClicks(titre, u"Shooting du 4"_s);

        TransferFlow& flow = contenu.flowCourant();
        QStringList vus;
        connect(&flow, &TransferFlow::etapeChanged, this, [&] { vus.append(decrire(contenu.ecran())); });
        cliquer(options, u"creer"_s);
        // At once, while the server is asked for its shares.
        auto* creer = options->findChild<ValtoPrimaryButton*>(u"creer"_s);
        QCOMPARE(creer->titre(), u"Création du lien…"_s);
        QVERIFY(!creer->isEnabled());
        attendreFin(flow);
        const QList<LigneHistorique*> lignes = contenu.findChild<HistoryView*>(u"historique"_s)->lignes();
        QCOMPARE(lignes.size(), reussi ? 1 : 0);
        const QList<RequeteRecue> requetes = banc.serveur.requetes();
        const auto creation = std::ranges::find(requetes, QByteArray("POST"), &RequeteRecue::methode);
        QVERIFY(creation != requetes.end());
        const QJsonObject corps = QJsonDocument::fromJson(creation->corps).object();
        QCOMPARE(corps.value(u"titre"_s).toString(), u"Shooting du 4"_s);
        QCOMPARE(corps.value(u"type"_s).toString(), valeurBrute(mode));
        if (reussi) {
            QCOMPARE(contenu.ecran()->findChild<ChampLien*>(u"lien"_s)->lien(),
                     u"https://t.example/tok4567890"_s);
            QCOMPARE(QGuiApplication::clipboard()->text(), u"https://t.example/tok4567890"_s);
            QCOMPARE(lignes.first()->transfert().url, u"https://t.example/tok4567890"_s);
            const bool copie = !chemins.first().contains(u"/Volumes/"_s);
            QCOMPARE(QDir(banc.dossierCopies).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                     copie ? QStringList{corps.value(u"token"_s).toString()} : QStringList());
        }
        // The focus left with the options screen, but not for the tab switch.
        QVERIFY(!contenu.findChild<ValtoSegmented*>(u"onglets"_s)->hasFocus());
        cliquer(contenu.ecran(), reussi ? u"nouveau"_s : u"reessayer"_s);
        QCOMPARE(vus, ecrans);
        QCOMPARE(flow.etape(), Etape::attente());
    }

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

    // The other tab's flow goes on in the background and is shown where it stands on return;
    // a half-filled comparison does not survive a tab switch.
    void ongletsIndependants()
    {
        BancApplication banc;
        banc.montrer();
        ContentView& contenu = banc.contenu();
        QStringList auLancement{decrire(contenu.ecran())};
        VERIFIER_CAPTURES(banc.fenetre(), u"fenetre-depot"_s);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        auLancement.append(decrire(contenu.ecran()));
        VERIFIER_CAPTURES(banc.fenetre(), u"fenetre-comparaison"_s);
        choisirOnglet(contenu, ContentView::Onglet::transfert);
        auLancement.append(decrire(contenu.ecran()));
        QCOMPARE(auLancement, (QStringList{u"dépôt"_s, u"comparaison"_s, u"dépôt"_s}));
        TransferFlow& transfert = contenu.flowTransfert();
        transfert.ajouter({banc.creer(u"maison/film.mov"_s, QByteArray(4'000'000, 'f'))});
        QStringList vus;
        QPointer<CompareDropZoneView> comparaison;
        connect(&transfert, &TransferFlow::etapeChanged, this, [&] {
            if (transfert.etape().cas != Etape::Cas::copie) {
                return;
            }
            choisirOnglet(contenu, ContentView::Onglet::compare);
            vus.append(decrire(contenu.ecran()));
            choisirOnglet(contenu, ContentView::Onglet::transfert);
            vus.append(decrire(contenu.ecran()));
            choisirOnglet(contenu, ContentView::Onglet::compare);
            comparaison = qobject_cast<CompareDropZoneView*>(contenu.ecran());
            comparaison->recevoir(0, {banc.creer(u"maison/avant.png"_s)});
        });
        transfert.envoyer(banc.app().historique());
        attendreFin(transfert);
        // The copy and the registration went on behind the compare tab without touching its screen.
        QVERIFY(comparaison && comparaison->urlAvant());
        QCOMPARE(contenu.ecran(), comparaison.data());
        QCOMPARE(transfert.etape().cas, Etape::Cas::termine);
        QCOMPARE(vus, (QStringList{u"comparaison"_s, u"Copie vers le NAS…"_s}));

        choisirOnglet(contenu, ContentView::Onglet::transfert);
        QCOMPARE(decrire(contenu.ecran()), u"résultat / Nouveau transfert"_s);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        auto* nouvelle = qobject_cast<CompareDropZoneView*>(contenu.ecran());
        QVERIFY(nouvelle && !nouvelle->urlAvant());
        QCOMPARE(contenu.flowCompare().etape(), Etape::attente());
    }

    // A step change fades from the old screen; a tab switch shows the other flow's screen at once.
    void fondus()
    {
        BancApplication banc;
        banc.montrer();
        ContentView& contenu = banc.contenu();
        const auto voiles = [&] {
            return contenu.findChild<ZoneEtape*>(u"zoneEtape"_s)
                ->findChildren<QGraphicsOpacityEffect*>()
                .size();
        };
        Animations::setActives(true);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        const qsizetype apresOnglet = voiles();
        contenu.flowCompare().ajouter({banc.creer(u"maison/avant.png"_s), banc.creer(u"maison/apres.png"_s)});
        const qsizetype apresEtape = voiles();
        Animations::setActives(false);
        QCOMPARE(apresOnglet, 0);
        QCOMPARE(apresEtape, 1);
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
#ifdef Q_OS_MACOS
        const QStringList attendu{u"onglets"_s, u"DropZoneView"_s, u"rafraichir"_s, u"ligne b"_s,
                                  u"ligne a"_s};
#else
        const QStringList attendu{u"reglages"_s,   u"onglets"_s, u"DropZoneView"_s,
                                  u"rafraichir"_s, u"ligne b"_s, u"ligne a"_s};
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

    // The banner follows the checker: spinner and message while downloading, a bar only when the size is
    // announced, "Télécharger" and the close icon after a failure. A staged update waits while a flow is
    // busy (a result on screen counts) and installs once both are idle; the relaunch is observed through
    // the platform's termination.
    void miseAJour_data()
    {
        QTest::addColumn<ReponseScriptee>("image");
        QTest::addColumn<Preparation>("preparation");
        QTest::addColumn<bool>("barreVue");
        QTest::addColumn<VueBanniere>("derniere");
        QTest::addColumn<int>("installations");
        QTest::addColumn<QString>("boutonPuisInstallation");
        ReponseScriptee sansTaille = ReponseScriptee::json(200, QByteArray(3'000'000, 'i'));
        sansTaille.forme = ReponseScriptee::Forme::sansLongueur;
        const VueBanniere prete{true, u"Mise à jour vers 2.0 prête — redémarrage…"_s, false, {}, false,
                                false};
        const auto envoyer = [](BancApplication& banc, TransferFlow& flow, const QStringList& relatifs) {
            QStringList chemins;
            for (const QString& relatif : relatifs) {
                chemins.append(banc.creer(relatif));
            }
            flow.ajouter(chemins);
            flow.envoyer(banc.app().historique());
            attendreFin(flow);
        };
        QTest::newRow("taille inconnue, options ouvertes")
            << sansTaille << Preparation([](BancApplication& banc) {
                   banc.contenu().flowTransfert().ajouter({banc.creer(u"Volumes/DATA/a.pdf"_s)});
               })
            << false << prete << 0 << QString();
        QTest::newRow("taille annoncée, comparaison au résultat")
            << ReponseScriptee::flux(40 * UpdateChecker::tailleTampon)
            << Preparation([envoyer](BancApplication& banc) {
                   envoyer(banc, banc.contenu().flowCompare(),
                           {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
                   choisirOnglet(banc.contenu(), ContentView::Onglet::compare);
               })
            << true << prete << 0 << u"nouveau"_s;
        QTest::newRow("deux erreurs") << sansTaille << Preparation([envoyer](BancApplication& banc) {
            banc.serveur.remplacer("POST", "/api/transferts", ReponseScriptee::json(500, "{}"));
            envoyer(banc, banc.contenu().flowTransfert(), {u"Volumes/DATA/a.pdf"_s});
            envoyer(banc, banc.contenu().flowCompare(),
                    {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
        }) << false << prete << 1 << QString();
        QTest::newRow("refus") << ReponseScriptee::json(404, "{}") << Preparation([](BancApplication&) {
        }) << false << VueBanniere{true,  u"Mise à jour impossible : Serveur : téléchargement refusé."_s,
                                   false, {},
                                   true,  true}
                               << 0 << QString();
    }
    void miseAJour()
    {
        QFETCH(ReponseScriptee, image);
        QFETCH(Preparation, preparation);
        QFETCH(bool, barreVue);
        QFETCH(VueBanniere, derniere);
        QFETCH(int, installations);
        QFETCH(QString, boutonPuisInstallation);
        BancApplication banc;
        banc.publier20(image);
        preparation(banc);
        auto* banniere = banc.contenu().findChild<MiseAJourBanniere*>(u"banniere"_s);
        QVERIFY(!banniere->presente());
        QList<VueBanniere> vus;
        connect(&banc.contenu().updates(), &UpdateChecker::etatChanged, this,
                [&] { vus.append(lireBanniere(*banniere)); });
        banc.montrer();
        QTRY_VERIFY_WITH_TIMEOUT(!vus.isEmpty() && vus.constLast() == derniere, 10000);
        VERIFIER_CAPTURES(banc.fenetre(), u"banniere-"_s + QString::fromUtf8(QTest::currentDataTag()));
        QCOMPARE(vus.constFirst(),
                 (VueBanniere{true, u"Mise à jour vers 2.0 — téléchargement…"_s, true, {}, false, false}));
        QCOMPARE(std::ranges::any_of(vus, [](const VueBanniere& vue) { return vue.barre.has_value(); }),
                 barreVue);
        QCOMPARE(banc.terminaisons, installations);
        if (!boutonPuisInstallation.isEmpty()) {
            cliquer(banc.contenu().ecran(), boutonPuisInstallation);
            QCOMPARE(banc.terminaisons, 1);
        }
        if (derniere.masquer) {
            cliquer(banniere, u"masquer"_s);
            QCOMPARE(lireBanniere(*banniere), VueBanniere{});
            QTRY_VERIFY(!banniere->isVisible());
        }
    }
};

VALTO_INSCRIRE_TESTS(TestFenetre)
#include "TestFenetre.moc"
