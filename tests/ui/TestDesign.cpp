#include "Captures.h"
#include "design/ActionIcone.h"
#include "design/Animations.h"
#include "design/Apparence.h"
#include "design/Couleurs.h"
#include "design/DSBar.h"
#include "design/Icones.h"
#include "design/IndeterminateFill.h"
#include "design/Polices.h"
#include "design/StatusDot.h"
#include "design/ValtoBadge.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSegmented.h"
#include "design/ValtoSelect.h"
#include "support/ExecuterTests.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Fabrique = std::function<QWidget*()>;
using Geste = std::function<void(QWidget*)>;

// Counts the paint events a widget receives.
class CompteurPeintures final : public QObject {
public:
    int nombre = 0;

protected:
    bool eventFilter(QObject*, QEvent* evenement) override
    {
        nombre += evenement->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestDesign final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        Apparence::instance().forcer(Apparence::Mode::clair);
        Animations::setActives(false);
    }

    void couleurHex_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QColor>("attendue");
        QTest::newRow("six chiffres") << u"#1a8b3c"_s << QColor(0x1a, 0x8b, 0x3c, 255);
        QTest::newRow("huit chiffres") << u"#11223380"_s << QColor(0x11, 0x22, 0x33, 0x80);
        QTest::newRow("espaces et saut") << u"  #fafaf9\n"_s << QColor(0xfa, 0xfa, 0xf9, 255);
    }
    void couleurHex()
    {
        QFETCH(QString, hex);
        QTEST(couleurDepuisHex(hex), "attendue");
    }

    // Each control, already on screen, repaints itself in the other colour when the appearance flips.
    void bascule_data()
    {
        QTest::addColumn<Fabrique>("fabrique");
        QTest::addColumn<QPoint>("sonde");
        QTest::addColumn<const Jeton*>("jeton");
        QTest::newRow("bouton normal")
            << Fabrique([] { return new ValtoButton(u"Annuler"_s); }) << QPoint(3, 17) << &Couleurs::champ();
        QTest::newRow("badge succès")
            << Fabrique([] { return new ValtoBadge(u"Lien"_s, ValtoBadge::Tone::success); }) << QPoint(3, 8)
            << &Couleurs::succesTeinte();
        QTest::newRow("barre") << Fabrique([] { return new DSBar(0.0); }) << QPoint(100, 3)
                               << &Couleurs::ligne();
    }
    void bascule()
    {
        QFETCH(Fabrique, fabrique);
        QFETCH(QPoint, sonde);
        QFETCH(const Jeton*, jeton);
        QWidget fenetre;
        QWidget* controle = fabrique();
        controle->setParent(&fenetre);
        controle->setGeometry(QRect(QPoint(20, 20), controle->sizeHint().expandedTo(QSize(200, 6))));
        fenetre.resize(300, 100);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        QTest::mouseMove(&fenetre, QPoint(2, 2));
        QCOMPARE(Captures::pixel(*controle, sonde), jeton->clair);
        CompteurPeintures peintures;
        controle->installEventFilter(&peintures);
        Apparence::instance().forcer(Apparence::Mode::sombre);
        QTRY_VERIFY(peintures.nombre > 0);
        QCOMPARE(Captures::pixel(*controle, sonde), jeton->sombre);
    }

    // Without an override or a desktop portal, the window colour of the palette decides, live.
    void repliSurLaPalette()
    {
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("a desktop portal may answer on this session bus");
        }
        const QPalette origine = QApplication::palette();
        Apparence::instance().forcer(std::nullopt);
        QSignalSpy changements(&Apparence::instance(), &Apparence::changee);
        QApplication::setPalette(QPalette(QColor(0x20, 0x20, 0x20)));
        QVERIFY(Apparence::instance().sombre());
        QApplication::setPalette(QPalette(QColor(0xf0, 0xf0, 0xf0)));
        QVERIFY(!Apparence::instance().sombre());
        QCOMPARE(changements.count(), 2);
        QApplication::setPalette(origine);
    }

    // Without the bundled faces, the system's own faces stand in at the asked size.
    void policesDeRepli()
    {
        QVERIFY(!Polices::faceUtilisable(Polices::faceTexteRegular));
        const QFont texte = Polices::texte(15, QFont::Medium);
        QCOMPARE(texte.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        QCOMPARE(texte.pixelSize(), 15);
        QCOMPARE(Polices::capitalesEspacees(11).family(),
                 QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        QCOMPARE(Polices::majuscules(u"Après"_s), u"APRÈS"_s);
    }

    void symboles_data()
    {
        QTest::addColumn<QString>("nom");
        for (const QString& nom : {u"arrow.up"_s, u"xmark"_s, u"checkmark"_s, u"link"_s, u"ellipsis"_s,
                                   u"folder"_s, u"doc"_s, u"doc.richtext"_s, u"photo"_s, u"lock"_s, u"tray"_s,
                                   u"arrow.clockwise"_s, u"arrow.left.arrow.right"_s, u"chevron.down"_s,
                                   u"arrow.triangle.2.circlepath"_s, u"exclamationmark.triangle"_s}) {
            QTest::newRow(qPrintable(nom)) << nom;
        }
    }
    // Every symbol the screens name exists, takes the asked colour and is drawn at the device's pixels.
    void symboles()
    {
        QFETCH(QString, nom);
        const QColor danger = Couleurs::danger().clair;
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage pixels = Icones::pixmap(nom, 13, danger, ratio).toImage();
            QCOMPARE(pixels.size(), QSize(qCeil(13 * ratio), qCeil(13 * ratio)));
            int couverts = 0;
            for (int y = 0; y < pixels.height(); ++y) {
                for (int x = 0; x < pixels.width(); ++x) {
                    const QColor c = pixels.pixelColor(x, y);
                    if (c.alpha() >= 128) {
                        QVERIFY(qAbs(c.red() - danger.red()) <= 2 && qAbs(c.green() - danger.green()) <= 2);
                        ++couverts;
                    }
                }
            }
            QVERIFY(couverts > 0);
        }
    }

    void presses_data()
    {
        QTest::addColumn<Geste>("geste");
        QTest::addColumn<int>("actions");
        QTest::newRow("clic") << Geste([](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }) << 1;
        QTest::newRow("espace") << Geste([](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }) << 1;
        QTest::newRow("entrée") << Geste([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }) << 1;
        QTest::newRow("relâché dehors") << Geste([](QWidget* w) {
            QTest::mousePress(w, Qt::LeftButton);
            QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-5, -5));
        }) << 0;
        QTest::newRow("clic droit") << Geste([](QWidget* w) { QTest::mouseClick(w, Qt::RightButton); }) << 0;
        QTest::newRow("désactivé") << Geste([](QWidget* w) {
            w->setEnabled(false);
            QTest::mouseClick(w, Qt::LeftButton);
            QTest::keyClick(w, Qt::Key_Space);
        }) << 0;
    }
    void presses()
    {
        QFETCH(Geste, geste);
        for (ControleValto* controle : std::initializer_list<ControleValto*>{
                 new ValtoPrimaryButton(u"Réessayer"_s), new ValtoButton(u"Retirer"_s),
                 new ActionIcone(u"xmark"_s, u"Masquer"_s, 24)}) {
            const std::unique_ptr<ControleValto> proprietaire(controle);
            int appels = 0;
            controle->setAction([&appels] { ++appels; });
            controle->show();
            controle->setFocus();
            QVERIFY(QTest::qWaitForWindowExposed(controle));
            geste(controle);
            QTEST(appels, "actions");
        }
    }

    // The ring shows once Tab brings the focus, not for the focus a window hands out when shown.
    void anneauAuClavier()
    {
        QWidget fenetre;
        auto* premier = new ValtoButton(u"Annuler"_s, {}, {}, &fenetre);
        auto* second = new ValtoButton(u"Ajouter…"_s, {}, {}, &fenetre);
        second->move(0, 50);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        premier->setFocus(Qt::ActiveWindowFocusReason);
        const QPoint bord(1, 17);
        QCOMPARE(Captures::pixel(*premier, bord), Couleurs::contour().clair);
        QTest::keyClick(premier, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QVERIFY(Captures::pixel(*second, bord) != Couleurs::contour().clair);
    }

    void accessibilite()
    {
        ValtoPrimaryButton bouton(u"Recopier le lien"_s);
        ActionIcone icone(u"arrow.clockwise"_s, u"Rafraîchir les statistiques"_s, 28);
        QAccessibleInterface* interfaceBouton = QAccessible::queryAccessibleInterface(&bouton);
        QCOMPARE(interfaceBouton->role(), QAccessible::Button);
        QCOMPARE(interfaceBouton->text(QAccessible::Name), u"Recopier le lien"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(&icone)->text(QAccessible::Name),
                 u"Rafraîchir les statistiques"_s);
    }

    void survolDesRoles_data()
    {
        QTest::addColumn<ValtoButton::Role>("role");
        QTest::addColumn<QColor>("etiquetteSurvolee");
        QTest::addColumn<QColor>("fondSurvole");
        QTest::newRow("normal") << ValtoButton::Role::normal << Couleurs::fondPage().clair
                                << Couleurs::texte().clair;
        QTest::newRow("ghost") << ValtoButton::Role::ghost << Couleurs::texte().clair
                               << Couleurs::surfaceSurvol().clair;
        QTest::newRow("danger") << ValtoButton::Role::danger << Couleurs::danger().clair
                                << Couleurs::dangerTeinte().clair;
    }
    // The pointer entering and leaving flips the hover look; a danger label stays red throughout.
    void survolDesRoles()
    {
        QFETCH(ValtoButton::Role, role);
        QFETCH(QColor, etiquetteSurvolee);
        QWidget fenetre;
        fenetre.resize(200, 80);
        auto* bouton = new ValtoButton(u"Supprimer"_s, role, ValtoButton::Taille::small, &fenetre);
        bouton->move(20, 20);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        QTest::mouseMove(&fenetre, QPoint(5, 5));
        const QColor etiquetteAuRepos = bouton->couleurEtiquette();
        QTest::mouseMove(bouton, QPoint(4, 4));
        QTRY_VERIFY(bouton->hover());
        QCOMPARE(bouton->couleurEtiquette(), etiquetteSurvolee);
        QTEST(Captures::pixel(*bouton, QPoint(3, 14)), "fondSurvole");
        QCOMPARE(etiquetteAuRepos == etiquetteSurvolee, role == ValtoButton::Role::danger);
        QTest::mouseMove(&fenetre, QPoint(5, 5));
        QTRY_VERIFY(!bouton->hover());
    }

    void segments()
    {
        ValtoSegmented segments({{u"transfert"_s, u"Transfert"_s}, {u"compare"_s, u"Compare"_s}});
        segments.show();
        QVERIFY(QTest::qWaitForWindowExposed(&segments));
        QSignalSpy changements(&segments, &ValtoSegmented::selectionChangee);
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QTest::mouseClick(&segments, Qt::LeftButton, {}, segments.zoneSegment(1).center().toPoint());
        QCOMPARE(segments.selection(), QVariant(u"compare"_s));
        // The pill lands on the chosen segment.
        QCOMPARE(Captures::pixel(segments, segments.zoneSegment(1).topLeft().toPoint() + QPoint(3, 14)),
                 Couleurs::texte().clair);
        QTest::keyClick(&segments, Qt::Key_Right);
        QCOMPARE(changements.count(), 1);
        QTest::keyClick(&segments, Qt::Key_Left);
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QCOMPARE(changements.count(), 2);
    }

    void selectSansCorrespondance()
    {
        ValtoSelect select({{1, u"1 jour"_s}, {7, u"7 jours"_s}, {0, u"jamais"_s}});
        select.setSelection(5);
        QCOMPARE(select.libelleSelectionne(), QString());
        select.show();
        QVERIFY(QTest::qWaitForWindowExposed(&select));
        QTest::keyClick(&select, Qt::Key_Space);
        QTRY_VERIFY(select.menu()->isVisible());
        QSignalSpy changements(&select, &ValtoSelect::selectionChangee);
        select.menu()->actions().at(2)->trigger();
        QCOMPARE(select.selection(), QVariant(0));
        QCOMPARE(select.libelleSelectionne(), u"jamais"_s);
        QCOMPARE(changements.count(), 1);
        select.menu()->close();
    }

    void barre_data()
    {
        QTest::addColumn<std::optional<double>>("valeur");
        QTest::addColumn<qreal>("remplie");
        QTest::newRow("négative") << std::optional<double>(-0.5) << 0.0;
        QTest::newRow("moitié") << std::optional<double>(0.5) << 100.0;
        QTest::newRow("pleine") << std::optional<double>(1.0) << 200.0;
        QTest::newRow("au-delà") << std::optional<double>(1.7) << 200.0;
        QTest::newRow("pas un nombre") << std::optional<double>(std::nan("")) << 0.0;
        QTest::newRow("sans valeur") << std::optional<double>() << 0.0;
    }
    void barre()
    {
        QFETCH(std::optional<double>, valeur);
        QFETCH(qreal, remplie);
        DSBar barre(valeur);
        barre.resize(200, DSBar::hauteur);
        QCOMPARE(barre.largeurRemplie(), remplie);
        if (valeur) {
            const bool pleineAuBout =
                Captures::pixel(barre, QPoint(196, 3)) == Couleurs::remplissageFort().clair;
            QCOMPARE(pleineAuBout, remplie == 200.0);
        }
    }

    void segmentMobile()
    {
        Animations::setActives(true);
        DSBar barre;
        barre.resize(200, DSBar::hauteur);
        QCOMPARE(barre.fill()->x(), IndeterminateFill::depart);
        barre.show();
        QTRY_VERIFY(barre.fill()->x() > 0.2);
        barre.setValue(0.5);
        QVERIFY(!barre.fill()->enMouvement());
        barre.setValue(std::nullopt);
        QVERIFY(barre.fill()->enMouvement());
        barre.hide();
        QVERIFY(!barre.fill()->enMouvement());
    }

    // Every control on one sheet, for review in both appearances.
    void catalogue()
    {
        QWidget planche;
        auto* ligne = new QHBoxLayout(&planche);
        const QList<std::pair<QString, ValtoButton::Role>> roles = {
            {u"Annuler"_s, ValtoButton::Role::ghost},
            {u"Ajouter…"_s, ValtoButton::Role::normal},
            {u"Supprimer"_s, ValtoButton::Role::danger}};
        ligne->addWidget(new ValtoPrimaryButton(u"Créer le lien"_s));
        for (const auto& [titre, role] : roles) {
            ligne->addWidget(new ValtoButton(titre, role, ValtoButton::Taille::small));
        }
        ligne->addWidget(new ValtoSegmented({{1, u"Transfert"_s}, {2, u"Compare"_s}}));
        ligne->addWidget(new ValtoSelect({{7, u"7 jours"_s}}));
        ligne->addWidget(new ActionIcone(u"arrow.clockwise"_s, u"Rafraîchir"_s, 28));
        ligne->addWidget(new DSBar(0.4));
        for (const ValtoBadge::Tone tone : {ValtoBadge::Tone::neutral, ValtoBadge::Tone::success,
                                            ValtoBadge::Tone::warning, ValtoBadge::Tone::strong}) {
            ligne->addWidget(new ValtoBadge(u"Lien"_s, tone));
        }
        ligne->addWidget(new StatusDot(u"Envoyé"_s, StatusDot::Tone::todo));
        ligne->addWidget(new StatusDot(u"OK"_s, StatusDot::Tone::success));
        planche.show();
        QVERIFY(QTest::qWaitForWindowExposed(&planche));
        Captures::enregistrer(planche, u"design-catalogue"_s);
    }
};

VALTO_INSCRIRE_TESTS(TestDesign)
#include "TestDesign.moc"
