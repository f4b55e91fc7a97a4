#include "Captures.h"
#include "ConfirmationSuppression.h"
#include "HistoryView.h"
#include "IndicateurStatut.h"
#include "LigneHistorique.h"
#include "MenuLigne.h"
#include "MessageErreur.h"
#include "PopoverEdition.h"
#include "api/DepuisAPI.h"
#include "core/HistoryStore.h"
#include "design/ActionIcone.h"
#include "design/ChampSaisie.h"
#include "design/Libelle.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString tokenA = u"aaaaaaaaaa"_s;
const QDateTime maintenant{QDate(2026, 12, 4), QTime(6, 0), Qt::UTC};

// Sent yesterday: two files, 1.5 kB, never expiring.
Transfert entree(const QString& token, const QString& titre = u"Rendus"_s)
{
    Transfert t;
    t.token = token;
    t.titre = titre;
    t.url = u"https://transferts.example.test/t/"_s + token;
    t.creeLe = maintenant.addDays(-1);
    t.nbFichiers = 2;
    t.octets = 1500;
    return t;
}

// The server's record of `token`, with the statistics keys of `stats` (JSON text).
QJsonObject enregistrement(const QString& token, const QByteArray& stats = "{}")
{
    QVariantMap objet = QJsonDocument::fromJson(R"({"titre":"Rendus","url":"u","protege":false,)"
                                                R"("cree_le":"2026-12-03T12:00:00Z","nb_telechargements":0,)"
                                                R"("nb_fichiers":2,"octets":1500})")
                            .toVariant()
                            .toMap();
    objet.insert(u"token"_s, token);
    objet.insert(QJsonDocument::fromJson(stats).toVariant().toMap());
    return QJsonObject::fromVariantMap(objet);
}

// The panel on screen over a real store, with a fixed clock, the loopback server as the transfer server and
// the browser replaced by the list of the URLs it was asked to open.
struct BancHistorique {
    EnvironnementTest env;
    ServeurLocal serveur;
    QList<QUrl> ouvertes;
    // What the browser answers: false when none is there.
    bool navigateur = true;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<HistoryView> vue;

    explicit BancHistorique(const QList<Transfert>& entrees)
    {
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"cle-test"_s);
        env.plateforme().maintenant = [] { return maintenant; };
        env.plateforme().ouvrirURL = [this](const QUrl& url) {
            ouvertes.append(url);
            return navigateur;
        };
        store = std::make_unique<HistoryStore>(env.plateforme(), statsDuServeur(env.preferences()));
        for (auto it = entrees.crbegin(); it != entrees.crend(); ++it) {
            store->ajouter(*it);
        }
        vue = std::make_unique<HistoryView>(*store, env.preferences(), env.plateforme());
        vue->resize(460, 420);
        vue->show();
        // An application that turns inactive closes its popups: the panel holds the focus as on a desk.
        vue->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(vue.get()));
    }

    // The server lists `enregistrements`; the header button refreshes and the rows follow.
    void rafraichir(const QJsonArray& enregistrements)
    {
        const QByteArray corps = QJsonDocument(QJsonObject{{u"transferts"_s, enregistrements}}).toJson();
        serveur.remplacer("GET", "/api/transferts", ReponseScriptee::json(200, corps));
        QSignalSpy changement(store.get(), &HistoryStore::statsChanged);
        vue->findChild<ActionIcone*>(u"rafraichir"_s)->declencher();
        QVERIFY(changement.wait());
    }

    void survoler(int index)
    {
        LigneHistorique* ligne = vue->lignes().at(index);
        QTest::mouseMove(vue.get(), ligne->mapTo(vue.get(), QPoint(40, ligne->height() / 2)));
        QTRY_VERIFY(ligne->actionsVisibles());
    }

    // What the menus' entries run. The offscreen platform deactivates the application when a menu goes,
    // which would close the popover at once: the flows start here, and menus() checks the entries.
    PopoverEdition* ouvrirEdition(int index)
    {
        vue->executer(ActionLigne::modifier, vue->lignes().at(index)->transfert().token);
        return vue->popover();
    }
    ConfirmationSuppression* ouvrirSuppression(int index)
    {
        vue->executer(ActionLigne::supprimer, vue->lignes().at(index)->transfert().token);
        return vue->findChild<ConfirmationSuppression*>(u"confirmationSuppression"_s);
    }

    MenuLigne* menuContextuel()
    {
        LigneHistorique* ligne = vue->lignes().at(0);
        QContextMenuEvent clic(QContextMenuEvent::Mouse, QPoint(20, 10), ligne->mapToGlobal(QPoint(20, 10)));
        QCoreApplication::sendEvent(ligne, &clic);
        return ligne->findChild<MenuLigne*>(u"menuContextuel"_s);
    }
};

QStringList jetons(const HistoryView& vue)
{
    return projeter(vue.lignes(), [](const LigneHistorique* ligne) { return ligne->transfert().token; });
}

void choisir(QMenu* menu, const QString& texte)
{
    const QList<QAction*> actions = menu->actions();
    const auto trouvee = std::ranges::find(actions, texte, &QAction::text);
    QVERIFY2(trouvee != actions.end(), qPrintable(texte));
    (*trouvee)->trigger();
    menu->hide();
}

} // namespace

class TestHistorique final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The other statuses and their shapes' colours are in the picture and reading of captures().
    void statut_data()
    {
        using enum StatutTransfert::Statut;
        QTest::addColumn<QByteArray>("stats");
        QTest::addColumn<QString>("infobulle");
        QTest::addColumn<StatutTransfert::Statut>("statut");
        QTest::newRow("une vue sans date")
            << QByteArray(R"({"nb_vues":1})") << u"Envoyé · pas encore ouvert"_s << ouvert;
        QTest::newRow("trois téléchargements")
            << QByteArray(R"({"nb_telechargements":3,"dernier_telechargement":"2026-12-03T06:00:00Z"})")
            << u"Téléchargé le 3 décembre 2026 · 3×"_s << telecharge;
        QTest::newRow("téléchargé sans date")
            << QByteArray(R"({"nb_telechargements":2,"nb_vues":1,"premiere_vue":"2026-12-02T06:00:00Z"})")
            << u"Ouvert le 2 décembre 2026 · pas encore téléchargé"_s << telecharge;
    }
    void statut()
    {
        QFETCH(QByteArray, stats);
        BancHistorique banc({entree(tokenA)});
        banc.rafraichir({enregistrement(tokenA, stats)});
        auto* indicateur = banc.vue->lignes().at(0)->findChild<IndicateurStatut*>(u"indicateur"_s);
        QTEST(indicateur->toolTip(), "infobulle");
        QTEST(indicateur->statut(), "statut");
    }

    void menus_data()
    {
        QTest::addColumn<bool>("motDePasse");
        // A link that does not parse is not opened, and is still copied as it stands.
        QTest::addColumn<QString>("lien");
        QTest::newRow("sans mot de passe, lien invalide") << false << u"https://exa mple.test/t/"_s;
        QTest::newRow("avec mot de passe") << true << entree(tokenA).url;
    }
    void menus()
    {
        QFETCH(bool, motDePasse);
        QFETCH(QString, lien);
        QStringList entrees{u"Copier le lien"_s, u"Ouvrir dans le navigateur"_s, u"Modifier…"_s,
                            u"Supprimer"_s};
        if (motDePasse) {
            entrees.insert(3, u"Copier le mot de passe"_s);
        }
        Transfert t = entree(tokenA);
        t.url = lien;
        t.protege = motDePasse;
        t.motDePasse = motDePasse ? std::optional(u"pâquerette-42"_s) : std::nullopt;
        BancHistorique banc({t});
        MenuLigne* contextuel = banc.menuContextuel();
        QCOMPARE(projeter(contextuel->actions(), &QAction::text), entrees);
        VERIFIER_CAPTURES(*contextuel, u"menu-"_s + QString::fromUtf8(QTest::currentDataTag()));
        // Copied from the menu of a row never hovered, the link shows as copied once the actions appear.
        choisir(contextuel, u"Copier le lien"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), lien);
        banc.survoler(0);
        LigneHistorique* ligne = banc.vue->lignes().at(0);
        QCOMPARE(ligne->findChild<QLabel*>(u"titre"_s)->toolTip(), t.titre); // a cut title reads whole
        auto* copier = ligne->findChild<ActionIcone*>(u"copierLien"_s);
        QCOMPARE(copier->systemName(), u"checkmark"_s);
        QTRY_COMPARE_WITH_TIMEOUT(copier->systemName(), u"link"_s, 3000);
        QTest::mouseClick(copier, Qt::LeftButton);
        QCOMPARE(copier->systemName(), u"checkmark"_s);
        QTest::mouseClick(ligne->findChild<ActionIcone*>(u"plusDActions"_s), Qt::LeftButton);
        auto* plus = ligne->findChild<MenuLigne*>(u"menuPlus"_s);
        QCOMPARE(projeter(plus->actions(), &QAction::text), entrees.mid(1));
        choisir(plus, u"Ouvrir dans le navigateur"_s);
        const bool valide = lien == entree(tokenA).url;
        QCOMPARE(banc.ouvertes, valide ? QList<QUrl>{QUrl(lien)} : QList<QUrl>());
        QCOMPARE(banc.vue->findChild<MessageErreur*>()->texte(), QString());
        // No browser took a valid link: the user is told, rather than left clicking.
        banc.navigateur = false;
        choisir(banc.menuContextuel(), u"Ouvrir dans le navigateur"_s);
        QCOMPARE(banc.vue->findChild<MessageErreur*>()->texte(),
                 valide ? u"Aucun navigateur n’a pu ouvrir le lien."_s : QString());
        choisir(banc.menuContextuel(), u"Modifier…"_s);
        QCOMPARE(banc.vue->edition(), tokenA);
        choisir(banc.menuContextuel(), u"Supprimer"_s);
        QCOMPARE(banc.vue->suppression(), tokenA);
        if (motDePasse) {
            choisir(banc.menuContextuel(), u"Copier le mot de passe"_s);
            QCOMPARE(QGuiApplication::clipboard()->text(), *t.motDePasse);
        }
    }

    void edition_data()
    {
        QTest::addColumn<QString>("titre");
        QTest::addColumn<qint64>("expiration");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<QString>("erreur");
        QTest::addColumn<QString>("titreFinal");
        QTest::addColumn<std::optional<QDateTime>>("expireFinal");
        const std::optional<QDateTime> jamais;
        QTest::newRow("espaces autour seulement")
            << u"  Rendus \n"_s << qint64(-1) << QByteArray() << QString() << u"Rendus"_s << jamais;
        QTest::newRow("titre blanc") << u" \n "_s << qint64(-1) << QByteArray() << QString() << u"Rendus"_s
                                     << jamais;
        QTest::newRow("jamais seulement") << u"Rendus"_s << qint64(0) << QByteArray(R"({"expire_jours":0})")
                                          << QString() << u"Rendus v2"_s << jamais;
        QTest::newRow("titre et 7 jours")
            << u" Rendus v2 "_s << qint64(7) << QByteArray(R"({"titre":"Rendus v2","expire_jours":7})")
            << QString() << u"Rendus v2"_s
            << std::optional(QDateTime(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC));
        QTest::newRow("refus du serveur")
            << u"Rendus v2"_s << qint64(-1) << QByteArray(R"({"titre":"Rendus v2"})")
            << u"Serveur : erreur 500. Base occupée."_s << u"Rendus"_s << jamais;
    }
    void edition()
    {
        QFETCH(QString, titre);
        QFETCH(qint64, expiration);
        QFETCH(QByteArray, corps);
        QFETCH(QString, erreur);
        BancHistorique banc({entree(tokenA)});
        const QByteArray expire = expiration == 7 ? R"("2026-12-11T12:00:00Z")" : "null";
        const QByteArray reponse =
            erreur.isEmpty()
                ? QJsonDocument(enregistrement(tokenA, R"({"titre":"Rendus v2","expire_le":)" + expire + "}"))
                      .toJson()
                : R"({"detail":"Base occupée."})";
        banc.serveur.repondre("PATCH", "/api/transferts/aaaaaaaaaa",
                              ReponseScriptee::json(erreur.isEmpty() ? 200 : 500, reponse));
        QPointer<PopoverEdition> popover = banc.ouvrirEdition(0);
        auto* champ = popover->findChild<ChampSaisie*>(u"titreEdite"_s);
        champ->setText(titre);
        auto* select = popover->findChild<ValtoSelect*>(u"expirationEditee"_s);
        // Untouched, the expiry stays as it is.
        QCOMPARE(select->libelleSelectionne(), u"inchangée"_s);
        choisir(select->menu(), expiration < 0    ? u"inchangée"_s
                                : expiration == 0 ? u"jamais"_s
                                                  : u"dans 7 jours"_s);
        // Only a date to come is announced.
        QCOMPARE(popover->findChild<Libelle*>(u"indication"_s)->isVisibleTo(popover), expiration > 0);
        auto* enregistrer = popover->findChild<ValtoPrimaryButton*>(u"enregistrer"_s);
        // A blank title cannot be saved, not even with Return; Escape gives up.
        QCOMPARE(enregistrer->isEnabled(), !titre.trimmed().isEmpty());
        // A click sent straight to a widget of a popup would bypass the popup's routing.
        enregistrer->declencher();
        QCOMPARE(enregistrer->isEnabled(), corps.isEmpty() && !titre.trimmed().isEmpty()); // off while saving
        if (titre.trimmed().isEmpty()) {
            QTest::keyClick(champ, Qt::Key_Return);
            QVERIFY(popover->isVisible());
            QTest::keyClick(champ, Qt::Key_Escape);
        }
        if (corps.isEmpty()) {
            QTRY_VERIFY(!popover && banc.serveur.requetes().isEmpty());
        } else {
            QTRY_VERIFY(!banc.serveur.requetes().isEmpty() && banc.serveur.requetes().at(0).corps == corps);
        }
        if (erreur.isEmpty()) {
            QTRY_VERIFY(!popover && !banc.vue->edition());
        } else {
            QTRY_COMPARE(popover->erreurEdition(), erreur);
            // The form stays as typed, ready to try again.
            QCOMPARE(champ->text(), titre);
            QVERIFY(select->selection().toLongLong() == expiration && enregistrer->isEnabled());
        }
        QTEST(banc.vue->lignes().at(0)->findChild<QLabel*>(u"titre"_s)->toolTip(), "titreFinal");
        QTEST(banc.store->transferts().at(0).expireLe, "expireFinal");
    }

    // A focused row answers the keyboard: Enter copies, the menu key and Shift+F10 open its menu, Delete asks
    // to delete, the arrows alone move on; a screen reader's Press and ShowMenu do as Enter and the menu key.
    void clavier_data()
    {
        QTest::addColumn<int>("touche");
        QTest::addColumn<Qt::KeyboardModifiers>("modificateurs");
        QTest::addColumn<QString>("effet");
        QTest::newRow("Entrée") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << u"copie"_s;
        QTest::newRow("touche menu") << int(Qt::Key_Menu) << Qt::KeyboardModifiers() << u"menu"_s;
        QTest::newRow("Maj+F10") << int(Qt::Key_F10) << Qt::KeyboardModifiers(Qt::ShiftModifier) << u"menu"_s;
        QTest::newRow("F10 seule") << int(Qt::Key_F10) << Qt::KeyboardModifiers() << QString();
        QTest::newRow("Suppr") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << u"suppression"_s;
        QTest::newRow("flèche bas") << int(Qt::Key_Down) << Qt::KeyboardModifiers() << u"ligne suivante"_s;
        // No key: the screen reader's action for the effect.
        QTest::newRow("lecteur d'écran, Press") << 0 << Qt::KeyboardModifiers() << u"copie"_s;
        QTest::newRow("lecteur d'écran, ShowMenu") << 0 << Qt::KeyboardModifiers() << u"menu"_s;
    }
    void clavier()
    {
        QFETCH(int, touche);
        QFETCH(Qt::KeyboardModifiers, modificateurs);
        QFETCH(QString, effet);
        BancHistorique banc({entree(tokenA), entree(u"bbbbbbbbbb"_s, u"Plans"_s)});
        QGuiApplication::clipboard()->clear();
        LigneHistorique* ligne = banc.vue->lignes().at(0);
        QTest::keyClick(banc.vue.get(), Qt::Key_Shift);
        ligne->setFocus(Qt::TabFocusReason);

        if (touche == 0) {
            QAccessible::queryAccessibleInterface(ligne)->actionInterface()->doAction(
                effet == u"copie"_s ? QAccessibleActionInterface::pressAction()
                                    : QAccessibleActionInterface::showMenuAction());
        } else {
            QTest::keyClick(ligne, Qt::Key(touche), modificateurs);
        }
        auto* menu = ligne->findChild<MenuLigne*>(u"menuContextuel"_s);
        QCOMPARE(menu != nullptr && menu->isVisible(), effet == u"menu"_s);
        if (menu) {
            QCOMPARE(menu->activeAction()->text(), u"Copier le lien"_s);
            menu->close();
        }
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 effet == u"copie"_s ? ligne->transfert().url : QString());
        QCOMPARE(banc.vue->copie(), effet == u"copie"_s ? std::optional(tokenA) : std::nullopt);
        QCOMPARE(banc.vue->suppression(), effet == u"suppression"_s ? std::optional(tokenA) : std::nullopt);
        QCOMPARE(QApplication::focusWidget(), banc.vue->lignes().at(effet == u"ligne suivante"_s ? 1 : 0));
    }

    // A long history builds its rows, newest first, as the list scrolls (a viewport ahead once painted), in a
    // list as tall as the whole history; at the bottom every entry has its row, whatever changed meanwhile.
    void longHistorique_data()
    {
        QTest::addColumn<bool>("ajout");
        QTest::addColumn<int>("supprimee");
        QTest::newRow("entrée ajoutée") << true << -1;
        QTest::newRow("entrée lointaine supprimée") << false << 30;
        QTest::newRow("première entrée supprimée") << false << 0;
    }
    void longHistorique()
    {
        QFETCH(bool, ajout);
        QFETCH(int, supprimee);
        QList<Transfert> entrees;
        for (int i = 0; i < 40; ++i) {
            entrees.append(entree(u"jeton%1"_s.arg(i, 5, 10, QChar(u'0'))));
        }
        BancHistorique banc(entrees);
        if (ajout) {
            banc.store->ajouter(entree(u"nouveau000"_s));
        }
        if (supprimee >= 0) {
            banc.store->supprimer(entrees.at(supprimee).token);
        }
        const QStringList attendus = projeter(banc.store->transferts(), &Transfert::token);
        auto* liste = banc.vue->findChild<QScrollArea*>(u"liste"_s);
        QTRY_VERIFY(banc.vue->lignes().size() > 1 &&
                    banc.vue->lignes().last()->geometry().bottom() >= 2 * liste->viewport()->height());
        const QList<LigneHistorique*> lignes = banc.vue->lignes();
        QVERIFY(lignes.size() < attendus.size() && jetons(*banc.vue) == attendus.first(lignes.size()));
        QTRY_COMPARE(liste->widget()->height() / lignes.first()->height(), attendus.size());
        banc.vue->resize(460, 1000);
        QTRY_VERIFY(banc.vue->lignes().last()->geometry().bottom() >= liste->viewport()->height());

        QScrollBar* barre = liste->verticalScrollBar();
        QTRY_VERIFY(barre->maximum() > 0);
        // A row built after the statistics came shows them.
        banc.rafraichir({enregistrement(attendus.last())});
        // A notice's row is brought into view, however far down.
        banc.vue->montrerLigne(u"absent0000"_s);
        QCOMPARE(barre->value(), 0);
        banc.vue->montrerLigne(attendus.at(30));
        QTRY_VERIFY(barre->value() > 0);
        barre->setValue(barre->maximum());
        QTRY_COMPARE(jetons(*banc.vue), attendus);
        // A row passes the keys it has no use for to the list: Page Up scrolls.
        QTest::keyClick(banc.vue->lignes().last(), Qt::Key_PageUp);
        QVERIFY(barre->value() < barre->maximum());
        QCOMPARE(banc.vue->lignes().last()->findChild<IndicateurStatut*>()->statut(),
                 StatutTransfert::Statut::envoye);
    }

    void suppression_data()
    {
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<bool>("retiree");
        QTest::addColumn<QString>("message");
        QTest::newRow("supprimé") << ReponseScriptee::json(200, "{}") << true << QString();
        QTest::newRow("déjà parti") << ReponseScriptee::json(404, R"({"detail":"Transfert introuvable."})")
                                    << true << QString();
        QTest::newRow("refus")
            << ReponseScriptee::json(500, R"({"detail":"Disque plein, libérez de la place."})") << false
            << u"Suppression impossible : Serveur : erreur 500. Disque plein, libérez de la place."_s;
        QTest::newRow("injoignable") << ReponseScriptee{.forme = ReponseScriptee::Forme::coupee} << false
                                     << u"Suppression impossible : "_s;
    }
    void suppression()
    {
        QFETCH(ReponseScriptee, reponse);
        QFETCH(bool, retiree);
        QFETCH(QString, message);
        BancHistorique banc({entree(tokenA), entree(u"bbbbbbbbbb"_s)});
        banc.serveur.repondre("DELETE", "/api/transferts/aaaaaaaaaa", reponse);
        QTest::mouseClick(banc.ouvrirSuppression(0)->findChild<ValtoButton*>(u"supprimer"_s), Qt::LeftButton);
        QTRY_VERIFY(!banc.vue->suppression() && !banc.vue->findChild<ConfirmationSuppression*>());
        QCOMPARE(banc.store->transferts().first().token, retiree ? u"bbbbbbbbbb"_s : tokenA);
        auto* texte = banc.vue->findChild<MessageErreur*>();
        QVERIFY(texte->texte().startsWith(message) && texte->isVisible() == !message.isEmpty());
        if (qstrcmp(QTest::currentDataTag(), "refus") == 0) {
            VERIFIER_CAPTURES(*banc.vue, u"historique-erreur"_s);
        }
    }

    void captures()
    {
        Transfert compare = entree(u"compare000"_s, u"Façade avant/après"_s);
        compare.type = u"compare"_s;
        compare.protege = true;
        compare.motDePasse = u"mdp"_s;
        compare.expireLe = maintenant.addSecs(20 * 3600);
        Transfert telecharge = entree(u"telecharge"_s, u"Plans définitifs"_s);
        telecharge.expireLe = maintenant;
        BancHistorique banc(
            {compare,
             entree(u"ouvert0000"_s,
                    u"Photos du chantier de la rue des Alpes, façade nord et toitures avant travaux"_s),
             telecharge, entree(u"envoye0000"_s, u"Rendus 3D"_s), entree(u"inconnu000"_s)});
        banc.rafraichir(
            {enregistrement(u"compare000"_s),
             enregistrement(u"ouvert0000"_s, R"({"nb_vues":2,"premiere_vue":"2026-12-03T06:00:00Z"})"),
             enregistrement(u"telecharge"_s, R"({"nb_telechargements":1,)"
                                             R"("dernier_telechargement":"2026-12-03T06:00:00Z"})"),
             enregistrement(u"envoye0000"_s, R"({"nb_vues":0})")});
        // The pointer leaves every row, wherever earlier tests left it.
        for (LigneHistorique* ligne : banc.vue->lignes()) {
            QEvent depart(QEvent::Leave);
            QCoreApplication::sendEvent(ligne, &depart);
        }
        // Among them, at the very moment of its expiry, an entry that already reads as expired.
        VERIFIER_CAPTURES(*banc.vue, u"historique-lignes"_s);
        banc.survoler(1);
        VERIFIER_CAPTURES(*banc.vue, u"historique-survol"_s);
        QEvent depart(QEvent::Leave);
        QCoreApplication::sendEvent(banc.vue->lignes().at(1), &depart);
        QTest::keyClick(banc.vue.get(), Qt::Key_Shift);
        banc.vue->lignes().at(2)->setFocus(Qt::TabFocusReason);
        VERIFIER_CAPTURES(*banc.vue, u"historique-focus"_s);
        // The one-day hint comes without moving the popover's edges: the picture's size would change.
        PopoverEdition* popover = banc.ouvrirEdition(0);
        choisir(popover->findChild<ValtoSelect*>(u"expirationEditee"_s)->menu(), u"dans 1 jour"_s);
        popover->echouer(u"Serveur : erreur 500. Base occupée."_s);
        VERIFIER_CAPTURES(*popover, u"historique-popover"_s);
        // "Annuler" gives up, as Escape does.
        popover->findChild<ValtoButton*>(u"annuler"_s)->declencher();
        QVERIFY(!popover->isVisible());
        VERIFIER_CAPTURES(*banc.ouvrirSuppression(2), u"historique-confirmation"_s);
    }
};

VALTO_INSCRIRE_TESTS(TestHistorique)
#include "TestHistorique.moc"
