#include "BancApplication.h"
#include "Captures.h"
#include "ChampLien.h"
#include "CompareDropZoneView.h"
#include "ContentView.h"
#include "DropZoneView.h"
#include "ErreurView.h"
#include "FenetrePrincipale.h"
#include "Glisser.h"
#include "HistoryView.h"
#include "LigneHistorique.h"
#include "MiseAJourBanniere.h"
#include "OptionsView.h"
#include "ProgressionView.h"
#include "ResultatView.h"
#include "ValtoTransferApp.h"
#include "design/ActionIcone.h"
#include "design/DSBar.h"
#include "design/Libelle.h"
#include "design/ValtoButton.h"
#include "design/ValtoSegmented.h"
#include "flow/TransferFlow.h"
#include "support/ExecuterTests.h"
#include "update/UpdateChecker.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString texte(QWidget* parent, const QString& nom)
{
    auto* libelle = parent->findChild<QLabel*>(nom);
    return libelle ? libelle->text() : u"<%1 absent>"_s.arg(nom);
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
    auto* barre = banniere.findChild<DSBar*>(u"barre"_s);
    return VueBanniere{
        banniere.presente(),
        texte(&banniere, u"message"_s),
        !banniere.findChild<QWidget*>(u"activite"_s)->isHidden(),
        // A shown bar without a value (the moving segment) reads -1.
        barre->isHidden() ? std::nullopt : std::optional(barre->value().value_or(-1.0)),
        !banniere.findChild<QWidget*>(u"telecharger"_s)->isHidden(),
        !banniere.findChild<QWidget*>(u"masquer"_s)->isHidden(),
    };
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
    // What a user does: drop a file from their home folder, type a title, create the link; the copy and
    // the registration show, then the link (on screen, on the clipboard, first in the history).
    void boutABout()
    {
        BancApplication banc;
        banc.montrer();
        ContentView& contenu = banc.contenu();
        const QString photo = banc.creer(u"maison/Bureau/photo.jpg"_s, "pixels");
        QVERIFY(Glisser::deposer(contenu.ecran(), {photo}));
        auto* options = qobject_cast<OptionsView*>(contenu.ecran());
        QVERIFY(options);
        auto* titre = options->findChild<QLineEdit*>(u"titre"_s);
        titre->selectAll();
        QTest::keyClicks(titre, u"Shooting du 4"_s);
        Captures::enregistrer(banc.fenetre(), u"fenetre-options"_s);

        TransferFlow& flow = contenu.flowTransfert();
        QStringList vus;
        connect(&flow, &TransferFlow::etapeChanged, this, [&] { vus.append(decrire(contenu.ecran())); });
        cliquer(options, u"creer"_s);
        attendreFin(flow);
        QCOMPARE(vus, (QStringList{u"Copie vers le NAS…"_s,
                                   u"Création du lien… / Enregistrement auprès de localhost"_s,
                                   u"résultat / Nouveau transfert"_s}));
        QCOMPARE(contenu.ecran()->findChild<ChampLien*>(u"lien"_s)->lien(),
                 u"https://t.example/tok4567890"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"https://t.example/tok4567890"_s);
        const QList<LigneHistorique*> lignes = contenu.findChild<HistoryView*>(u"historique"_s)->lignes();
        QVERIFY(!lignes.isEmpty());
        QCOMPARE(lignes.first()->transfert().token, u"tok4567890"_s);
        QCOMPARE(texte(lignes.first(), u"titre"_s), u"Photos"_s);
        Captures::enregistrer(banc.fenetre(), u"fenetre-resultat"_s);

        const RequeteRecue creation = banc.serveur.requetes().last();
        QCOMPARE(creation.methode, "POST");
        QCOMPARE(creation.entete("x-api-key"), "cle-test");
        const QJsonObject corps = QJsonDocument::fromJson(creation.corps).object();
        QCOMPARE(corps.value(u"titre"_s).toString(), u"Shooting du 4"_s);
        QCOMPARE(corps.value(u"expediteur"_s).toString(), u"Camille Test"_s);
        QCOMPARE(corps.value(u"expire_jours"_s).toInt(), 7);
        QCOMPARE(corps.value(u"type"_s).toString(), u"transfert"_s);
        QFile copie(banc.dossierCopies + u'/' + corps.value(u"token"_s).toString() + u"/photo.jpg"_s);
        QVERIFY(copie.open(QIODevice::ReadOnly));
        QCOMPARE(copie.readAll(), "pixels");

        cliquer(contenu.ecran(), u"nouveau"_s);
        QCOMPARE(decrire(contenu.ecran()), u"dépôt"_s);
        QCOMPARE(flow.etape(), Etape::attente());
    }

    // Each step of the shown flow gets its screen; the result's and the error's buttons start over.
    void routage_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("fichiers");
        QTest::addColumn<int>("statutCreation");
        QTest::addColumn<QStringList>("ecrans");
        const QString creation = u"Création du lien… / Enregistrement auprès de localhost"_s;
        QTest::newRow("transfert hors NAS")
            << Mode::transfert << QStringList{u"maison/photo.jpg"_s} << 201
            << QStringList{u"Copie vers le NAS…"_s, creation, u"résultat / Nouveau transfert"_s, u"dépôt"_s};
        QTest::newRow("comparaison sur le NAS")
            << Mode::compare << QStringList{u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s} << 201
            << QStringList{creation, u"résultat / Nouvelle comparaison"_s, u"comparaison"_s};
        QTest::newRow("refus du serveur")
            << Mode::transfert << QStringList{u"Volumes/DATA/plan.pdf"_s} << 500
            << QStringList{creation, u"erreur / Serveur : erreur 500. Disque plein"_s, u"dépôt"_s};
    }
    void routage()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, fichiers);
        QFETCH(int, statutCreation);
        QFETCH(QStringList, ecrans);
        BancApplication banc;
        if (statutCreation != 201) {
            banc.serveur.remplacer("POST", "/api/transferts",
                                   ReponseScriptee::json(statutCreation, "{\"detail\":\"Disque plein\"}"));
        }
        banc.montrer();
        ContentView& contenu = banc.contenu();
        choisirOnglet(contenu,
                      mode == Mode::compare ? ContentView::Onglet::compare : ContentView::Onglet::transfert);
        TransferFlow& flow = contenu.flowCourant();
        QStringList chemins;
        for (const QString& fichier : fichiers) {
            chemins.append(banc.creer(fichier));
        }
        flow.ajouter(chemins);
        QStringList vus;
        connect(&flow, &TransferFlow::etapeChanged, this, [&] {
            vus.append(decrire(contenu.ecran()));
            Captures::enregistrer(
                banc.fenetre(),
                u"fenetre-%1-%2"_s.arg(QString::fromUtf8(QTest::currentDataTag())).arg(vus.size()));
        });
        flow.envoyer(banc.app().historique());
        attendreFin(flow);
        cliquer(contenu.ecran(), statutCreation == 201 ? u"nouveau"_s : u"reessayer"_s);
        QCOMPARE(vus, ecrans);
        QCOMPARE(flow.etape(), Etape::attente());
    }

    // The other tab's flow goes on in the background and is shown where it stands on return;
    // a half-filled comparison does not survive a tab switch.
    void ongletsIndependants()
    {
        BancApplication banc;
        banc.serveur.remplacer("POST", "/api/transferts", [] {
            ReponseScriptee reponse = ReponseScriptee::json(201, BancApplication::reponseCreation);
            reponse.delaiMs = 300;
            return reponse;
        }());
        banc.montrer();
        ContentView& contenu = banc.contenu();
        QStringList auLancement{decrire(contenu.ecran())};
        Captures::enregistrer(banc.fenetre(), u"fenetre-depot"_s);
        choisirOnglet(contenu, ContentView::Onglet::compare);
        auLancement.append(decrire(contenu.ecran()));
        Captures::enregistrer(banc.fenetre(), u"fenetre-comparaison"_s);
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

    // A staged update waits while a flow is busy (a result on screen counts) and installs as soon as
    // both flows are idle; the relaunch is observed through the platform's termination.
    void installationQuandInactif_data()
    {
        QTest::addColumn<Preparation>("preparation");
        QTest::addColumn<int>("installationsAuDemarrage");
        QTest::addColumn<QString>("boutonPuisInstallation");
        const auto envoyer = [](BancApplication& banc, TransferFlow& flow, const QStringList& relatifs) {
            QStringList chemins;
            for (const QString& relatif : relatifs) {
                chemins.append(banc.creer(relatif));
            }
            flow.ajouter(chemins);
            flow.envoyer(banc.app().historique());
            attendreFin(flow);
        };
        QTest::newRow("comparaison au résultat") << Preparation([envoyer](BancApplication& banc) {
            envoyer(banc, banc.contenu().flowCompare(),
                    {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
            choisirOnglet(banc.contenu(), ContentView::Onglet::compare);
        }) << 0 << u"nouveau"_s;
        QTest::newRow("deux erreurs") << Preparation([envoyer](BancApplication& banc) {
            banc.serveur.remplacer("POST", "/api/transferts", ReponseScriptee::json(500, "{}"));
            envoyer(banc, banc.contenu().flowTransfert(), {u"Volumes/DATA/a.pdf"_s});
            envoyer(banc, banc.contenu().flowCompare(),
                    {u"Volumes/DATA/avant.png"_s, u"Volumes/DATA/apres.png"_s});
        }) << 1 << QString();
        QTest::newRow("transfert aux options") << Preparation([](BancApplication& banc) {
            banc.contenu().flowTransfert().ajouter({banc.creer(u"Volumes/DATA/a.pdf"_s)});
        }) << 0 << QString();
    }
    void installationQuandInactif()
    {
        QFETCH(Preparation, preparation);
        QFETCH(int, installationsAuDemarrage);
        QFETCH(QString, boutonPuisInstallation);
        BancApplication banc;
        banc.publier20(ReponseScriptee::json(200, "image"));
        preparation(banc);
        banc.montrer();
        UpdateChecker& updates = banc.contenu().updates();
        QTRY_COMPARE_WITH_TIMEOUT(updates.etat(), Etat::prete(), 10000);
        QCOMPARE(banc.terminaisons, installationsAuDemarrage);
        if (!boutonPuisInstallation.isEmpty()) {
            cliquer(banc.contenu().ecran(), boutonPuisInstallation);
            QCOMPARE(banc.terminaisons, 1);
        }
    }

    // The banner follows the checker: spinner and message while downloading, a bar only when the size
    // is announced, "Télécharger" and the close icon after a failure; the icon hides the banner.
    void banniere_data()
    {
        QTest::addColumn<ReponseScriptee>("image");
        QTest::addColumn<bool>("barreVue");
        QTest::addColumn<VueBanniere>("derniere");
        const VueBanniere prete{true, u"Mise à jour vers 2.0 prête — redémarrage…"_s, false, {}, false,
                                false};
        ReponseScriptee sansTaille = ReponseScriptee::json(200, QByteArray(3'000'000, 'i'));
        sansTaille.forme = ReponseScriptee::Forme::sansLongueur;
        QTest::newRow("taille inconnue") << sansTaille << false << prete;
        QTest::newRow("taille annoncée")
            << ReponseScriptee::flux(40 * UpdateChecker::tailleTampon) << true << prete;
        QTest::newRow("refus") << ReponseScriptee::json(404, "{}") << false << VueBanniere{};
    }
    void banniere()
    {
        QFETCH(ReponseScriptee, image);
        QFETCH(bool, barreVue);
        QFETCH(VueBanniere, derniere);
        BancApplication banc;
        banc.publier20(image);
        // A transfer under way keeps the staged update from installing, so the banner stays.
        banc.contenu().flowTransfert().ajouter({banc.creer(u"Volumes/DATA/a.pdf"_s)});
        auto* banniere = banc.contenu().findChild<MiseAJourBanniere*>(u"banniere"_s);
        QList<VueBanniere> vus;
        bool echecVu = false;
        connect(&banc.contenu().updates(), &UpdateChecker::etatChanged, this, [&] {
            vus.append(lireBanniere(*banniere));
            if (vus.size() == 1 || banc.contenu().updates().etat().cas != Etat::Cas::telechargement) {
                Captures::enregistrer(
                    banc.fenetre(),
                    u"banniere-%1-%2"_s.arg(QString::fromUtf8(QTest::currentDataTag())).arg(vus.size()));
            }
            if (banc.contenu().updates().etat().cas == Etat::Cas::echec) {
                echecVu = vus.constLast() == VueBanniere{true,
                                                         u"Mise à jour impossible : Serveur : "
                                                         u"téléchargement refusé."_s,
                                                         false,
                                                         {},
                                                         true,
                                                         true};
                cliquer(banniere, u"masquer"_s);
            }
        });
        QVERIFY(!banniere->presente());
        banc.montrer();
        QTRY_VERIFY_WITH_TIMEOUT(!vus.isEmpty() && vus.constLast() == derniere, 10000);
        QCOMPARE(vus.constFirst(),
                 (VueBanniere{true, u"Mise à jour vers 2.0 — téléchargement…"_s, true, {}, false, false}));
        QCOMPARE(std::ranges::any_of(vus, [](const VueBanniere& vue) { return vue.barre.has_value(); }),
                 barreVue);
        QCOMPARE(echecVu, !derniere.presente);
        QCOMPARE(banniere->isVisible(), derniere.presente);
        QCOMPARE(banc.terminaisons, 0);
    }
};

VALTO_INSCRIRE_TESTS(TestFenetre)
#include "TestFenetre.moc"
