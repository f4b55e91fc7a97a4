#include "BancPlateforme.h"
#include "Captures.h"
#include "ChampLien.h"
#include "CompareDropZoneView.h"
#include "DropZoneView.h"
#include "ErreurView.h"
#include "Glisser.h"
#include "MiseAJourBanniere.h"
#include "OptionsView.h"
#include "ProgressionView.h"
#include "ResultatView.h"
#include "design/Animations.h"
#include "design/ControleValto.h"
#include "design/DSBar.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSegmented.h"
#include "flow/TransferFlow.h"
#include "nas/NASCopier.h"
#include "support/ExecuterTests.h"
#include "update/UpdateChecker.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace {

constexpr int largeurEtape = 428;

Transfert exemple(bool protege = false)
{
    Transfert t;
    t.token = u"k3v9x0b2qa"_s;
    t.titre = u"Rendus"_s;
    t.url = u"https://transferts.valto.ch/t/k3v9x0b2qa"_s;
    if (protege) {
        t.protege = true;
        t.motDePasse = u"pâquerette-42"_s;
        t.expireLe = QDateTime(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC);
    }
    return t;
}

void afficher(QWidget& vue)
{
    vue.resize(largeurEtape, vue.sizeHint().height());
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
}

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

// What the banner shows at one moment, its message (whole in its tooltip, however cut on screen) then, while
// present, its visible parts; a bar gives its value, -1 for the moving segment.
QString lireBanniere(MiseAJourBanniere& banniere)
{
    const QString message = banniere.findChild<QLabel*>(u"message"_s)->toolTip();
    QStringList vu{banniere.presente() ? u"présente"_s : u"absente"_s, message};
    for (const QString& nom : {u"symbole"_s, u"activite"_s, u"telecharger"_s, u"masquer"_s}) {
        if (banniere.presente() && !banniere.findChild<QWidget*>(nom)->isHidden()) {
            vu.append(nom);
        }
    }
    if (const auto* barre = banniere.findChild<DSBar*>(u"barre"_s); !barre->isHidden()) {
        vu.append(u"barre %1"_s.arg(barre->value().value_or(-1.0)));
    }
    vu.removeAll(QString());
    return vu.join(u" | "_s);
}

using Preparation = std::function<void(BancContenu&)>;

} // namespace

Q_DECLARE_METATYPE(Preparation)
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(ReponseScriptee)

// The window's content: its step screens alone, then against the loopback server both tabs' flows from
// drop to link, and the update banner.
class TestContenu final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Animations::setActives(false); }

    // Each press of a copy button copies, even within the wait; its title comes back afterwards.
    void resultat_data()
    {
        QTest::addColumn<Transfert>("transfert");
        QTest::addColumn<QString>("bouton");
        QTest::addColumn<QString>("copie");
        QTest::newRow("permanent") << exemple() << u"recopierLien"_s << exemple().url;
        QTest::newRow("protégé") << exemple(true) << u"copierMotDePasse"_s << *exemple(true).motDePasse;
    }
    void resultat()
    {
        QFETCH(Transfert, transfert);
        QFETCH(QString, bouton);
        ResultatView vue(transfert, u"Nouveau transfert"_s);
        afficher(vue);
        VERIFIER_CAPTURES(vue, u"resultat-"_s + QString::fromUtf8(QTest::currentDataTag()));
        auto* controle = vue.findChild<ControleValto*>(bouton);
        const QString titre = controle->accessibleName();
        for (int fois = 0; fois < 2; ++fois) {
            QGuiApplication::clipboard()->setText(u"autre chose"_s);
            controle->declencher();
            QTEST(QGuiApplication::clipboard()->text(), "copie");
            QCOMPARE(controle->accessibleName(), u"Copié ✓"_s);
        }
        QTRY_COMPARE_WITH_TIMEOUT(controle->accessibleName(), titre, 3000);
    }

    void progression()
    {
        ProgressionView enregistrement(u"Création du lien…"_s, u"Auprès de transferts.valto.ch"_s,
                                       std::nullopt);
        afficher(enregistrement);
        VERIFIER_CAPTURES(enregistrement, u"progression-enregistrement"_s);
        // Its segment then sweeps on and on.
        Animations::setActives(true);
        enregistrement.hide();
        enregistrement.show();
        auto* balayage = enregistrement.findChild<DSBar*>()->findChild<QVariantAnimation*>();
        balayage->setCurrentTime(balayage->duration() + 1);
        QCOMPARE(balayage->state(), QAbstractAnimation::Running);
    }

    // Files dropped on the tab's drop zone, then "Créer": each step shows its screen, a success the link and
    // a history row; the result's and the error's buttons lead back to the drop zone.
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
        BancContenu banc;
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
            // A copy long enough for its progress to show on the copy screen.
            const QByteArray contenu(fichier.startsWith(u"maison/"_s) ? 24 * NASCopier::tailleBloc : 6, 'p');
            chemins.append(banc.creer(fichier, contenu));
        }
        // Both files of a comparison go on the "before" slot, which hands the second to the other.
        QWidget* zone = contenu.ecran()->findChild<QWidget*>(u"avant"_s);
        QVERIFY(Glisser::deposer(zone ? zone : contenu.ecran(), chemins));
        auto* options = qobject_cast<OptionsView*>(contenu.ecran());
        QVERIFY(options);

        TransferFlow& flow = contenu.flowCourant();
        QStringList vus;
        connect(&flow, &TransferFlow::etapeChanged, this, [&] { vus.append(decrire(contenu.ecran())); });
        // The copy screen's bar follows the copy.
        QList<bool> barreSuit;
        connect(&flow, &TransferFlow::progressionChanged, this, [&] {
            if (flow.etape().cas == Etape::Cas::copie) {
                barreSuit.append(contenu.ecran()->findChild<DSBar*>(u"barre"_s)->value() ==
                                 flow.progression());
            }
        });
        cliquer(options, u"creer"_s);
        // At once, while the server is asked for its shares.
        auto* creer = options->findChild<ValtoPrimaryButton*>(u"creer"_s);
        QVERIFY(creer->titre() == u"Création du lien…"_s && !creer->isEnabled());
        attendreFin(flow);
        if (reussi) {
            // The request's body, the clipboard, the history entry and the copies are the flow's (TestEnvoi).
            auto* lien = contenu.ecran()->findChild<ChampLien*>(u"lien"_s);
            lien->setFocus(); // focused, the whole link shows from its start
            QVERIFY(lien->text() == u"https://t.example/tok4567890"_s && lien->cursorPosition() == 0);
            const bool copie = !chemins.first().contains(u"/Volumes/"_s);
            QVERIFY(copie ? !barreSuit.isEmpty() && !barreSuit.contains(false) : barreSuit.isEmpty());
        }
        cliquer(contenu.ecran(), reussi ? u"nouveau"_s : u"reessayer"_s);
        QTEST(vus, "ecrans");
    }

    // The other tab's flow goes on in the background and shows where it stands on return, at once. A
    // half-filled comparison does not survive a tab switch.
    void ongletsIndependants()
    {
        BancContenu banc;
        banc.montrer();
        ContentView& contenu = banc.contenu();
        // Opened, the focus is on the content, not on the tab switch, whose focus ring would show.
        contenu.activateWindow();
        QTRY_VERIFY(QGuiApplication::focusObject() == &contenu);
        VERIFIER_CAPTURES(banc.contenu(), u"fenetre-depot"_s);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        VERIFIER_CAPTURES(banc.contenu(), u"fenetre-comparaison"_s);
        // A tab switch shows the other screen at once; within a tab, the old screen's picture fades out over
        // the new one and lets the pointer through.
        Animations::setActives(true);
        choisirOnglet(contenu, ContentView::Onglet::transfert);
        QWidget* zone = contenu.ecran()->parentWidget();
        QVERIFY(!zone->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly));
        TransferFlow& transfert = contenu.flowTransfert();
        transfert.ajouter({banc.creer(u"maison/film.mov"_s, QByteArray(4'000'000, 'f'))});
        const QPointer voile = zone->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(voile && !voile->pixmap().isNull() && voile->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(voile->size() == voile->pixmap().size() && voile->graphicsEffect());
        auto* fondu = voile->findChild<QVariantAnimation*>();
        fondu->setCurrentTime(fondu->duration() / 2);
        QCOMPARE(fondu->currentValue().toDouble(), 0.125);
        fondu->setCurrentTime(fondu->duration());
        QTRY_VERIFY(!voile);
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
        transfert.envoyer(banc.historique());
        attendreFin(transfert);
        // The copy and the registration went on behind the compare tab without touching its screen.
        QVERIFY(comparaison && comparaison->urlAvant() && contenu.ecran() == comparaison.data());
        QCOMPARE(vus, (QStringList{u"comparaison"_s, u"Copie vers le NAS…"_s}));

        choisirOnglet(contenu, ContentView::Onglet::transfert);
        QCOMPARE(decrire(contenu.ecran()), u"résultat / Nouveau transfert"_s);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        auto* nouvelle = qobject_cast<CompareDropZoneView*>(contenu.ecran());
        QVERIFY(nouvelle && !nouvelle->urlAvant() && contenu.flowCompare().etape() == Etape::attente());
        // Shown again, the window keeps the focus where the keyboard left it.
        QTest::keyClick(&contenu, Qt::Key_Tab);
        QObject* choisi = QGuiApplication::focusObject();
        contenu.hide();
        banc.montrer();
        QVERIFY(choisi != &contenu && contenu.focusWidget() == choisi);
    }

    // The banner follows the checker: a spinner while downloading, a bar only for an announced size, and
    // after a failure "Télécharger", which hands the image's address to the browser and closes the banner. A
    // staged update waits while a flow is busy (a result on screen counts) and installs, seen as the
    // platform's termination, once both are idle.
    void miseAJour_data()
    {
        QTest::addColumn<ReponseScriptee>("image");
        QTest::addColumn<Preparation>("preparation");
        QTest::addColumn<bool>("barreVue");
        QTest::addColumn<QString>("derniere");
        QTest::addColumn<int>("installations");
        QTest::addColumn<QString>("boutonPuisInstallation");
        ReponseScriptee sansTaille = ReponseScriptee::json(200, QByteArray(3'000'000, 'i'));
        sansTaille.forme = ReponseScriptee::Forme::sansLongueur;
        const QString prete = u"présente | Mise à jour vers 2.0 prête — redémarrage… | symbole"_s;
        const auto envoyer = [](BancContenu& banc, TransferFlow& flow, const QStringList& relatifs) {
            QStringList chemins;
            std::ranges::transform(relatifs, std::back_inserter(chemins),
                                   [&banc](auto& r) { return banc.creer(r); });
            flow.ajouter(chemins);
            flow.envoyer(banc.historique());
            attendreFin(flow);
        };
        QTest::newRow("taille inconnue, options ouvertes")
            << sansTaille << Preparation([](BancContenu& banc) {
                   banc.contenu().flowTransfert().ajouter({banc.creer(u"Volumes/DATA/a.pdf"_s)});
               })
            << false << prete << 0 << QString();
        QTest::newRow("taille annoncée, comparaison au résultat")
            << ReponseScriptee::flux(40 * UpdateChecker::tailleTampon)
            << Preparation([envoyer](BancContenu& banc) {
                   envoyer(banc, banc.contenu().flowCompare(),
                           {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
                   choisirOnglet(banc.contenu(), ContentView::Onglet::compare);
               })
            << true << prete << 0 << u"nouveau"_s;
        QTest::newRow("deux erreurs") << sansTaille << Preparation([envoyer](BancContenu& banc) {
            const QByteArray messageLong =
                R"({"detail":"Le partage DATA est plein : fais de la place sur le NAS, puis réessaie."})";
            banc.serveur.remplacer("POST", "/api/transferts", ReponseScriptee::json(500, messageLong));
            envoyer(banc, banc.contenu().flowTransfert(), {u"Volumes/DATA/a.pdf"_s});
            envoyer(banc, banc.contenu().flowCompare(),
                    {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
        }) << false << prete << 1 << QString();
        QTest::newRow("refus") << ReponseScriptee::json(404, "{}") << Preparation([](BancContenu&) {})
                               << false
                               << u"présente | Mise à jour impossible : Serveur : téléchargement refusé."_s +
                                      u" | symbole | telecharger | masquer"_s
                               << 0 << QString();
    }
    void miseAJour()
    {
        QFETCH(ReponseScriptee, image);
        QFETCH(Preparation, preparation);
        QFETCH(bool, barreVue);
        QFETCH(QString, derniere);
        QFETCH(int, installations);
        QFETCH(QString, boutonPuisInstallation);
        BancContenu banc;
        banc.publier20(image);
        QList<QUrl> ouvertes;
        banc.env.plateforme().ouvrirURL = [&](const QUrl& url) {
            ouvertes.append(url);
            return true;
        };
        preparation(banc);
        auto* banniere = banc.contenu().findChild<MiseAJourBanniere*>(u"banniere"_s);
        QCOMPARE(banniere->sizeHint(), QSize(0, 0)); // nothing to show yet
        QStringList vus;
        connect(&banc.contenu().updates(), &UpdateChecker::etatChanged, this,
                [&] { vus.append(lireBanniere(*banniere)); });
        banc.montrer();
        QTRY_VERIFY_WITH_TIMEOUT(!vus.isEmpty() && vus.constLast() == derniere, 10000);
        VERIFIER_CAPTURES(banc.contenu(), u"banniere-"_s + QString::fromUtf8(QTest::currentDataTag()));
        QCOMPARE(vus.constFirst(), u"présente | Mise à jour vers 2.0 — téléchargement… | activite"_s);
        QVERIFY(vus.filter(u"| barre"_s).isEmpty() != barreVue && banc.terminaisons == installations);
        if (!boutonPuisInstallation.isEmpty()) {
            cliquer(banc.contenu().ecran(), boutonPuisInstallation);
            QCOMPARE(banc.terminaisons, 1);
        }
        if (derniere.endsWith(u"masquer"_s)) {
            cliquer(banniere, u"telecharger"_s);
            QCOMPARE(ouvertes, QList<QUrl>{QUrl(banc.serveur.origine() + u"/images/v2.dmg"_s)});
            QCOMPARE(lireBanniere(*banniere), u"absente"_s);
            QTRY_VERIFY(!banniere->isVisible());
        }
    }
};

VALTO_INSCRIRE_TESTS(TestContenu)
#include "TestContenu.moc"
