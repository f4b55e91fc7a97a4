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
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
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

// The panel on screen over a real store, with a fixed clock, the loopback server as the transfer server and
// the browser replaced by the list of the URLs it was asked to open.
struct BancHistorique {
    static inline const QDateTime maintenant{QDate(2026, 12, 4), QTime(6, 0), Qt::UTC};

    EnvironnementTest env;
    ServeurLocal serveur;
    QList<QUrl> ouvertes;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<HistoryView> vue;

    explicit BancHistorique(const QList<Transfert>& entrees)
    {
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"cle-test"_s);
        env.plateforme().maintenant = [] { return maintenant; };
        env.plateforme().ouvrirURL = [this](const QUrl& url) { ouvertes.append(url); };
        store = std::make_unique<HistoryStore>(env.plateforme(), statsDuServeur(env.preferences()));
        for (auto it = entrees.crbegin(); it != entrees.crend(); ++it) {
            store->ajouter(*it);
        }
        vue = std::make_unique<HistoryView>(*store, env.preferences(), env.plateforme());
        vue->resize(460, 420);
        vue->show();
        // An application that turns inactive closes its popups: the panel holds the focus as on a desk.
        vue->activateWindow();
        if (!QTest::qWaitForWindowActive(vue.get())) {
            qFatal("le panneau ne s’affiche pas");
        }
    }

    // Sent yesterday: two files, 1.5 kB, never expiring.
    static Transfert entree(const QString& token, const QString& titre = u"Rendus"_s)
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
    static QJsonObject enregistrement(const QString& token, const QByteArray& stats = "{}")
    {
        QJsonObject objet =
            QJsonDocument::fromJson(R"({"titre":"Rendus","url":"u","protege":false,)"
                                    R"("cree_le":"2026-12-03T12:00:00Z","nb_telechargements":0,)"
                                    R"("nb_fichiers":2,"octets":1500})")
                .object();
        objet.insert(u"token"_s, token);
        const QJsonObject ajouts = QJsonDocument::fromJson(stats).object();
        for (auto it = ajouts.begin(); it != ajouts.end(); ++it) {
            objet.insert(it.key(), it.value());
        }
        return objet;
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
    }

    // The pointer leaves every row, wherever earlier tests left it.
    void quitter()
    {
        for (LigneHistorique* ligne : vue->lignes()) {
            QEvent depart(QEvent::Leave);
            QCoreApplication::sendEvent(ligne, &depart);
        }
    }

    template <typename T> T* dans(int index, const QString& nom) const
    {
        return vue->lignes().at(index)->findChild<T*>(nom);
    }
};

const QString tokenA = u"aaaaaaaaaa"_s;
const QString tokenB = u"bbbbbbbbbb"_s;

// The server's answer to a change of tokenA; %1 is its "expire_le".
const QByteArray reponseModification =
    R"({"token":"aaaaaaaaaa","titre":"Rendus v2","url":"u","protege":false,"cree_le":"2026-12-03T12:00:00Z",)"
    R"("expire_le":%1,"nb_telechargements":0,"nb_fichiers":2,"octets":1500})";

QColor couleurTexte(const QLabel* libelle)
{
    return libelle->palette().color(QPalette::WindowText);
}

// Opens a row's context menu and gives its entries.
MenuLigne* menuContextuel(LigneHistorique* ligne)
{
    QContextMenuEvent clic(QContextMenuEvent::Mouse, QPoint(20, 10), ligne->mapToGlobal(QPoint(20, 10)));
    QCoreApplication::sendEvent(ligne, &clic);
    return ligne->findChild<MenuLigne*>(u"menuContextuel"_s);
}

QStringList textes(const QMenu* menu)
{
    QStringList liste;
    for (const QAction* action : menu->actions()) {
        liste.append(action->text());
    }
    return liste;
}

void choisir(QMenu* menu, const QString& texte)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == texte) {
            action->trigger();
            menu->hide();
            return;
        }
    }
    QFAIL(qPrintable(u"entrée absente : "_s + texte));
}

// What the menus' entries run. The offscreen platform activates each menu it shows and deactivates the
// application when the menu goes, which would close the popover at once: the flows start here instead, and
// the menus' own entries are checked in menus().
PopoverEdition* ouvrirEdition(BancHistorique& banc, int index)
{
    banc.vue->executer(ActionLigne::modifier, banc.vue->lignes().at(index)->transfert().token);
    return banc.vue->popover();
}

ConfirmationSuppression* ouvrirSuppression(BancHistorique& banc, int index)
{
    banc.vue->executer(ActionLigne::supprimer, banc.vue->lignes().at(index)->transfert().token);
    return banc.vue->findChild<ConfirmationSuppression*>(u"confirmationSuppression"_s);
}

} // namespace

class TestHistorique final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Colours of the five shapes: m muted, p track, v green.
    void statut_data()
    {
        QTest::addColumn<QByteArray>("stats");
        QTest::addColumn<StatutTransfert::Statut>("statut");
        QTest::addColumn<QString>("infobulle");
        QTest::addColumn<QString>("formes");
        using S = StatutTransfert::Statut;
        QTest::newRow("inconnu") << QByteArray() << S::inconnu << u"Statut inconnu — rafraîchir"_s
                                 << u"ppppp"_s;
        QTest::newRow("envoyé") << QByteArray(R"({"nb_vues":0})") << S::envoye
                                << u"Envoyé · pas encore ouvert"_s << u"mpppp"_s;
        const QByteArray vues =
            R"("premiere_vue":"2026-12-02T06:00:00Z","derniere_vue":"2026-12-03T06:00:00Z"})";
        QTest::newRow("une vue") << R"({"nb_vues":1,)" + vues << S::ouvert
                                 << u"Ouvert le 2 décembre 2026 · pas encore téléchargé"_s << u"mmmpp"_s;
        QTest::newRow("trois vues") << R"({"nb_vues":3,)" + vues << S::ouvert
                                    << u"Ouvert le 2 décembre 2026 · 3 ouvertures · pas encore téléchargé"_s
                                    << u"mmmpp"_s;
        QTest::newRow("vues sans date")
            << QByteArray(R"({"nb_vues":2})") << S::ouvert << u"Envoyé · pas encore ouvert"_s << u"mmmpp"_s;
        const QByteArray telechargement = R"("dernier_telechargement":"2026-12-03T06:00:00Z"})";
        QTest::newRow("un téléchargement") << R"({"nb_telechargements":1,)" + telechargement << S::telecharge
                                           << u"Téléchargé le 3 décembre 2026"_s << u"vvvvv"_s;
        QTest::newRow("trois téléchargements")
            << R"({"nb_telechargements":3,)" + telechargement << S::telecharge
            << u"Téléchargé le 3 décembre 2026 · 3×"_s << u"vvvvv"_s;
        QTest::newRow("téléchargé sans date")
            << R"({"nb_telechargements":2,"nb_vues":1,)" + vues << S::telecharge
            << u"Ouvert le 2 décembre 2026 · pas encore téléchargé"_s << u"vvvvv"_s;
    }
    void statut()
    {
        QFETCH(QByteArray, stats);
        QFETCH(StatutTransfert::Statut, statut);
        QFETCH(QString, infobulle);
        QFETCH(QString, formes);
        BancHistorique banc({BancHistorique::entree(tokenA)});
        QJsonArray liste{BancHistorique::enregistrement(u"autre"_s)};
        if (!stats.isNull()) {
            liste.append(BancHistorique::enregistrement(tokenA, stats));
        }
        banc.rafraichir(liste);
        auto* indicateur = banc.dans<IndicateurStatut>(0, u"indicateur"_s);
        QCOMPARE(indicateur->statut(), statut);
        QCOMPARE(indicateur->toolTip(), infobulle);
        const QHash<QChar, QColor> couleurs{{u'm', Couleurs::texteAttenue().couleur()},
                                            {u'p', Couleurs::ligne().couleur()},
                                            {u'v', Couleurs::succes().couleur()}};
        const QImage image = Captures::image(*indicateur);
        const int milieu = indicateur->height() / 2;
        const int centres[] = {4, 19, 34, 49, 64};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(image.pixelColor(centres[i], milieu), couleurs.value(formes.at(i)));
        }
    }

    void detail_data()
    {
        QTest::addColumn<qint64>("fichiers");
        QTest::addColumn<qint64>("octets");
        QTest::addColumn<std::optional<qint64>>("expireDansSecondes");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("expiration");
        QTest::addColumn<QColor>("couleur");
        const QColor attenue = Couleurs::texteAttenue().couleur();
        QTest::newRow("un fichier permanent") << qint64(1) << qint64(999) << std::optional<qint64>()
                                              << u"1 élément · 999 o"_s << u"permanent"_s << attenue;
        QTest::newRow("dans 23 heures")
            << qint64(3) << qint64(1'500'000) << std::optional<qint64>(23 * 3600) << u"3 éléments · 1,5 Mo"_s
            << u"expire le 5 décembre 2026"_s << Couleurs::avertissement().couleur();
        QTest::newRow("dans 25 heures")
            << qint64(2) << qint64(1500) << std::optional<qint64>(25 * 3600) << u"2 éléments · 1,5 Ko"_s
            << u"expire le 5 décembre 2026"_s << attenue;
        QTest::newRow("à l’instant") << qint64(2) << qint64(1500) << std::optional<qint64>(0)
                                     << u"2 éléments · 1,5 Ko"_s << u"expiré"_s
                                     << Couleurs::texteDiscret().couleur();
        QTest::newRow("hier") << qint64(2) << qint64(1500) << std::optional<qint64>(-86400)
                              << u"2 éléments · 1,5 Ko"_s << u"expiré"_s
                              << Couleurs::texteDiscret().couleur();
    }
    void detail()
    {
        QFETCH(qint64, fichiers);
        QFETCH(qint64, octets);
        QFETCH(std::optional<qint64>, expireDansSecondes);
        Transfert t = BancHistorique::entree(tokenA);
        t.nbFichiers = fichiers;
        t.octets = octets;
        if (expireDansSecondes) {
            t.expireLe = BancHistorique::maintenant.addSecs(*expireDansSecondes);
        }
        BancHistorique banc({t});
        QTEST(banc.dans<Libelle>(0, u"detail"_s)->text(), "detail");
        auto* expiration = banc.dans<Libelle>(0, u"expiration"_s);
        QTEST(expiration->text(), "expiration");
        QTEST(couleurTexte(expiration), "couleur");
    }

    // The pointer swaps the status for the actions on its row only; an open popover keeps them.
    void survol()
    {
        BancHistorique banc({BancHistorique::entree(tokenA), BancHistorique::entree(tokenB)});
        const auto actions = [&banc](int i) { return banc.vue->lignes().at(i)->actionsVisibles(); };
        QVERIFY(!actions(0) && !actions(1));
        QVERIFY(banc.dans<IndicateurStatut>(0, u"indicateur"_s)->isVisible());
        banc.survoler(0);
        QTRY_COMPARE(banc.vue->survol(), tokenA);
        QVERIFY(actions(0) && !actions(1));
        QVERIFY(!banc.dans<IndicateurStatut>(0, u"indicateur"_s)->isVisible());
        banc.survoler(1);
        QTRY_COMPARE(banc.vue->survol(), tokenB);
        QVERIFY(!actions(0) && actions(1));
        QPointer<PopoverEdition> popover = ouvrirEdition(banc, 0);
        QVERIFY(popover);
        QEvent depart(QEvent::Leave);
        QCoreApplication::sendEvent(banc.vue->lignes().at(1), &depart);
        QCOMPARE(banc.vue->survol(), std::nullopt);
        QVERIFY(actions(0) && !actions(1));
        QTest::keyClick(popover, Qt::Key_Escape);
        QTRY_VERIFY(!popover);
        QVERIFY(!actions(0));
    }

    // A copy of B within A's wait keeps B's check mark for B's full 1.5 seconds.
    void copieDeuxLignes()
    {
        BancHistorique banc({BancHistorique::entree(tokenA), BancHistorique::entree(tokenB)});
        const auto symbole = [&banc](int i) {
            return banc.dans<ActionIcone>(i, u"copierLien"_s)->systemName();
        };
        banc.survoler(0);
        QTRY_VERIFY(banc.vue->lignes().at(0)->actionsVisibles());
        QElapsedTimer chrono;
        chrono.start();
        QTest::mouseClick(banc.dans<ActionIcone>(0, u"copierLien"_s), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), BancHistorique::entree(tokenA).url);
        QCOMPARE(symbole(0), u"checkmark"_s);
        QTest::qWait(500);
        banc.survoler(1);
        QTRY_VERIFY(banc.vue->lignes().at(1)->actionsVisibles());
        const qint64 copieB = chrono.elapsed();
        QTest::mouseClick(banc.dans<ActionIcone>(1, u"copierLien"_s), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), BancHistorique::entree(tokenB).url);
        QCOMPARE(symbole(0), u"link"_s);
        QCOMPARE(symbole(1), u"checkmark"_s);
        QTest::qWait(int(HistoryView::dureeCopie - chrono.elapsed() + 200));
        QCOMPARE(banc.vue->copie(), tokenB);
        QTRY_COMPARE_WITH_TIMEOUT(banc.vue->copie(), std::nullopt, 3000);
        QVERIFY(chrono.elapsed() >= copieB + HistoryView::dureeCopie);
        QCOMPARE(symbole(1), u"link"_s);
    }

    void menus_data()
    {
        QTest::addColumn<bool>("motDePasse");
        QTest::addColumn<QStringList>("entrees");
        // A link that does not parse is not opened, and is still copied as it stands.
        QTest::addColumn<QString>("lien");
        QTest::newRow("sans mot de passe, lien invalide")
            << false
            << QStringList{u"Copier le lien"_s, u"Ouvrir dans le navigateur"_s, u"Modifier…"_s,
                           u"Supprimer"_s}
            << u"https://exa mple.test/t/"_s;
        QTest::newRow("avec mot de passe")
            << true
            << QStringList{u"Copier le lien"_s, u"Ouvrir dans le navigateur"_s, u"Modifier…"_s,
                           u"Copier le mot de passe"_s, u"Supprimer"_s}
            << BancHistorique::entree(tokenA).url;
    }
    void menus()
    {
        QFETCH(bool, motDePasse);
        QFETCH(QStringList, entrees);
        Transfert t = BancHistorique::entree(tokenA);
        QFETCH(QString, lien);
        t.url = lien;
        if (motDePasse) {
            t.protege = true;
            t.motDePasse = u"pâquerette-42"_s;
        }
        BancHistorique banc({t});
        MenuLigne* contextuel = menuContextuel(banc.vue->lignes().at(0));
        QCOMPARE(textes(contextuel), entrees);
        contextuel->close();
        banc.survoler(0);
        QTRY_VERIFY(banc.vue->lignes().at(0)->actionsVisibles());
        QTest::mouseClick(banc.dans<ActionIcone>(0, u"plusDActions"_s), Qt::LeftButton);
        auto* plus = banc.vue->lignes().at(0)->findChild<MenuLigne*>(u"menuPlus"_s);
        QVERIFY(plus);
        entrees.removeFirst();
        QCOMPARE(textes(plus), entrees);
        choisir(plus, u"Ouvrir dans le navigateur"_s);
        const bool valide = lien == BancHistorique::entree(tokenA).url;
        QCOMPARE(banc.ouvertes, valide ? QList<QUrl>{QUrl(lien)} : QList<QUrl>());
        choisir(menuContextuel(banc.vue->lignes().at(0)), u"Copier le lien"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), lien);
        choisir(menuContextuel(banc.vue->lignes().at(0)), u"Modifier…"_s);
        QCOMPARE(banc.vue->edition(), tokenA);
        choisir(menuContextuel(banc.vue->lignes().at(0)), u"Supprimer"_s);
        QCOMPARE(banc.vue->suppression(), tokenA);
        if (motDePasse) {
            choisir(menuContextuel(banc.vue->lignes().at(0)), u"Copier le mot de passe"_s);
            QCOMPARE(QGuiApplication::clipboard()->text(), *t.motDePasse);
        }
    }

    void edition_data()
    {
        QTest::addColumn<QString>("titre");
        QTest::addColumn<qint64>("expiration");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<QString>("erreur");
        QTest::addColumn<QString>("titreFinal");
        QTest::addColumn<std::optional<QDateTime>>("expireFinal");
        const QDateTime dans7 = QDateTime(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC);
        QTest::newRow("espaces autour seulement") << u"  Rendus \n"_s << qint64(-1) << 0 << QByteArray()
                                                  << QString() << u"Rendus"_s << std::optional<QDateTime>();
        QTest::newRow("jamais seulement")
            << u"Rendus"_s << qint64(0) << 200 << QByteArray(R"({"expire_jours":0})") << QString()
            << u"Rendus v2"_s << std::optional<QDateTime>();
        QTest::newRow("titre et 7 jours")
            << u" Rendus v2 "_s << qint64(7) << 200 << QByteArray(R"({"titre":"Rendus v2","expire_jours":7})")
            << QString() << u"Rendus v2"_s << std::optional(dans7);
        QTest::newRow("refus du serveur")
            << u"Rendus v2"_s << qint64(-1) << 500 << QByteArray(R"({"titre":"Rendus v2"})")
            << u"Serveur : erreur 500. Base occupée."_s << u"Rendus"_s << std::optional<QDateTime>();
    }
    void edition()
    {
        QFETCH(QString, titre);
        QFETCH(qint64, expiration);
        QFETCH(int, statut);
        QFETCH(QByteArray, corps);
        QFETCH(QString, erreur);
        BancHistorique banc({BancHistorique::entree(tokenA)});
        const QByteArray expire = expiration == 7 ? "\"2026-12-11T12:00:00Z\"" : "null";
        const QByteArray reponse = statut == 200 ? QByteArray(reponseModification).replace("%1", expire)
                                                 : QByteArray(R"({"detail":"Base occupée."})");
        banc.serveur.repondre("PATCH", "/api/transferts/aaaaaaaaaa", ReponseScriptee::json(statut, reponse));
        QPointer<PopoverEdition> popover = ouvrirEdition(banc, 0);
        QVERIFY(popover);
        QCOMPARE(banc.vue->edition(), tokenA);
        auto* champ = popover->findChild<ChampSaisie*>(u"titreEdite"_s);
        champ->setText(titre);
        auto* select = popover->findChild<ValtoSelect*>(u"expirationEditee"_s);
        choisir(select->menu(),
                expiration < 0 ? u"inchangée"_s : PopoverEdition::libelleExpiration(expiration));
        // A click sent straight to a widget of a popup would bypass the popup's routing.
        popover->findChild<ValtoPrimaryButton*>(u"enregistrer"_s)->declencher();
        if (corps.isEmpty()) {
            QTRY_VERIFY(!popover);
            QCOMPARE(banc.serveur.nombreDeRequetes(), 0);
        } else {
            QVERIFY(banc.serveur.attendreRequetes(1));
            QCOMPARE(banc.serveur.requetes().at(0).corps, corps);
        }
        if (erreur.isEmpty()) {
            QTRY_VERIFY(!popover);
            QCOMPARE(banc.vue->edition(), std::nullopt);
        } else {
            QTRY_COMPARE(popover->erreurEdition(), erreur);
            QVERIFY(popover->isVisible());
            QCOMPARE(champ->text(), titre);
            QCOMPARE(select->selection().toLongLong(), expiration);
            QVERIFY(popover->findChild<ValtoPrimaryButton*>(u"enregistrer"_s)->isEnabled());
        }
        QTEST(banc.store->transferts().at(0).titre, "titreFinal");
        QTEST(banc.store->transferts().at(0).expireLe, "expireFinal");
    }

    // Keyboard and the rules of the save button, without any request.
    void clavierEdition()
    {
        BancHistorique banc({BancHistorique::entree(tokenA)});
        banc.serveur.repondre("PATCH", "/api/transferts/aaaaaaaaaa", ReponseScriptee::json(500, "{}"));
        QPointer<PopoverEdition> popover = ouvrirEdition(banc, 0);
        auto* champ = popover->findChild<ChampSaisie*>(u"titreEdite"_s);
        auto* enregistrer = popover->findChild<ValtoPrimaryButton*>(u"enregistrer"_s);
        auto* indication = popover->findChild<Libelle*>(u"indication"_s);
        choisir(popover->findChild<ValtoSelect*>(u"expirationEditee"_s)->menu(), u"dans 3 jours"_s);
        QCOMPARE(indication->text(), u"Le lien expirera le 7 décembre 2026."_s);
        champ->setText(u" \n "_s);
        QVERIFY(!enregistrer->isEnabled());
        QTest::keyClick(champ, Qt::Key_Return);
        QCOMPARE(banc.serveur.nombreDeRequetes(), 0);
        champ->setText(u"Nouveau"_s);
        QVERIFY(enregistrer->isEnabled());
        QTest::keyClick(champ, Qt::Key_Return);
        QVERIFY(banc.serveur.attendreRequetes(1));
        QTest::keyClick(champ, Qt::Key_Escape);
        QTRY_VERIFY(!popover);
        QCOMPARE(banc.vue->edition(), std::nullopt);
    }

    void suppression_data()
    {
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<bool>("retiree");
        QTest::addColumn<QString>("message");
        QTest::newRow("supprimé") << ReponseScriptee::json(200, "{}") << true << QString();
        QTest::newRow("déjà parti") << ReponseScriptee::json(404, R"({"detail":"Transfert introuvable."})")
                                    << true << QString();
        QTest::newRow("refus") << ReponseScriptee::json(500, R"({"detail":"Disque plein."})") << false
                               << u"Suppression impossible : Serveur : erreur 500. Disque plein."_s;
        ReponseScriptee coupee;
        coupee.forme = ReponseScriptee::Forme::coupee;
        QTest::newRow("injoignable") << coupee << false << u"Suppression impossible : "_s;
    }
    void suppression()
    {
        QFETCH(ReponseScriptee, reponse);
        QFETCH(bool, retiree);
        QFETCH(QString, message);
        BancHistorique banc({BancHistorique::entree(tokenA), BancHistorique::entree(tokenB)});
        banc.serveur.repondre("DELETE", "/api/transferts/aaaaaaaaaa", reponse);
        ConfirmationSuppression* dialogue = ouvrirSuppression(banc, 0);
        QCOMPARE(dialogue->findChild<Libelle*>(u"titre"_s)->text(), u"Supprimer « Rendus » ?"_s);
        QCOMPARE(banc.vue->suppression(), tokenA);
        QTest::mouseClick(dialogue->findChild<ValtoButton*>(u"supprimer"_s), Qt::LeftButton);
        QVERIFY(banc.serveur.attendreRequetes(1));
        QTRY_COMPARE(banc.vue->suppression(), std::nullopt);
        QCOMPARE(banc.store->transferts().first().token, retiree ? tokenB : tokenA);
        QCOMPARE(banc.vue->lignes().size(), retiree ? 1 : 2);
        auto* texte = banc.vue->findChild<MessageErreur*>();
        QVERIFY(texte->texte().startsWith(message));
        QCOMPARE(texte->isVisible(), !message.isEmpty());
    }

    // Statistics change only the indicators: the rows, and where the list is scrolled, stay.
    void miseAJourSansReconstruction()
    {
        QList<Transfert> entrees;
        for (int i = 0; i < 30; ++i) {
            entrees.append(BancHistorique::entree(u"tok%1"_s.arg(i, 7, 10, QChar(u'0'))));
        }
        BancHistorique banc(entrees);
        const QList<LigneHistorique*> avant = banc.vue->lignes();
        QScrollBar* barre = banc.vue->findChild<QScrollArea*>(u"liste"_s)->verticalScrollBar();
        barre->setValue(barre->maximum() / 2);
        const int position = barre->value();
        QVERIFY(position > 0);
        banc.rafraichir({BancHistorique::enregistrement(u"tok0000005"_s, R"({"nb_vues":1})")});
        QCOMPARE(banc.vue->lignes(), avant);
        QCOMPARE(barre->value(), position);
        QCOMPARE(banc.vue->lignes().at(5)->findChild<IndicateurStatut*>()->statut(),
                 StatutTransfert::Statut::ouvert);

        banc.store->ajouter(BancHistorique::entree(u"nouveau000"_s));
        QCOMPARE(banc.vue->lignes().mid(1), avant);
        QCOMPARE(banc.vue->lignes().at(0)->transfert().token, u"nouveau000"_s);
    }

    void captures()
    {
        {
            BancHistorique vide({});
            Captures::enregistrer(*vide.vue, u"historique-vide"_s);
        }

        Transfert compare = BancHistorique::entree(u"compare000"_s, u"Façade avant/après"_s);
        compare.type = u"compare"_s;
        compare.protege = true;
        compare.motDePasse = u"mdp"_s;
        compare.expireLe = BancHistorique::maintenant.addSecs(20 * 3600);
        Transfert ouvert =
            BancHistorique::entree(u"ouvert0000"_s, u"Photos du chantier de la rue des Alpes"_s);
        ouvert.expireLe = BancHistorique::maintenant.addDays(6);
        Transfert telecharge = BancHistorique::entree(u"telecharge"_s, u"Plans définitifs"_s);
        telecharge.expireLe = BancHistorique::maintenant.addDays(-1);
        Transfert envoye = BancHistorique::entree(u"envoye0000"_s, u"Rendus 3D"_s);
        envoye.nbFichiers = 14;
        envoye.octets = 2'345'000'000;
        BancHistorique banc({compare, ouvert, telecharge, envoye, BancHistorique::entree(u"inconnu000"_s)});
        const QByteArray hier = R"("2026-12-03T06:00:00Z")";
        banc.rafraichir(
            {BancHistorique::enregistrement(u"compare000"_s),
             BancHistorique::enregistrement(u"ouvert0000"_s, R"({"nb_vues":2,"premiere_vue":)" + hier + "}"),
             BancHistorique::enregistrement(u"telecharge"_s, R"({"nb_telechargements":1,)"
                                                             R"("dernier_telechargement":)" +
                                                                 hier + "}"),
             BancHistorique::enregistrement(u"envoye0000"_s, R"({"nb_vues":0})")});
        banc.quitter();
        Captures::enregistrer(*banc.vue, u"historique-lignes"_s);
        banc.survoler(1);
        QTRY_VERIFY(banc.vue->lignes().at(1)->actionsVisibles());
        Captures::enregistrer(*banc.vue, u"historique-survol"_s);
        PopoverEdition* popover = ouvrirEdition(banc, 0);
        choisir(popover->findChild<ValtoSelect*>(u"expirationEditee"_s)->menu(), u"dans 7 jours"_s);
        popover->echouer(u"Serveur : erreur 500. Base occupée."_s);
        Captures::enregistrer(*popover, u"historique-popover"_s);
        popover->close();
        Captures::enregistrer(*ouvrirSuppression(banc, 2), u"historique-confirmation"_s);
    }
};

VALTO_INSCRIRE_TESTS(TestHistorique)
#include "TestHistorique.moc"
