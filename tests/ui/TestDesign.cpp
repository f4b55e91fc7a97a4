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

// Counts the paint events a widget receives.
class CompteurPeintures final : public QObject {
public:
    int nombre = 0;

protected:
    bool eventFilter(QObject*, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Paint) {
            ++nombre;
        }
        return false;
    }
};

using Fabrique = std::function<QWidget*()>;

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
        QTest::newRow("sans dièse") << u"ededed"_s << QColor(0xed, 0xed, 0xed, 255);
    }
    void couleurHex()
    {
        QFETCH(QString, hex);
        QFETCH(QColor, attendue);
        QCOMPARE(couleurDepuisHex(hex), attendue);
    }

    // Each control, already on screen, repaints itself in the other colour when the appearance flips.
    void bascule_data()
    {
        QTest::addColumn<Fabrique>("fabrique");
        QTest::addColumn<QPoint>("sonde");
        QTest::addColumn<QString>("jeton");
        QTest::newRow("bouton normal")
            << Fabrique([] { return new ValtoButton(u"Annuler"_s); }) << QPoint(3, 17) << u"champ"_s;
        QTest::newRow("bouton principal")
            << Fabrique([] { return new ValtoPrimaryButton(u"Créer le lien"_s); }) << QPoint(3, 17)
            << u"remplissageFort"_s;
        QTest::newRow("segments") << Fabrique([] {
            return new ValtoSegmented({{1, u"Transfert"_s}, {2, u"Compare"_s}},
                                      ValtoSegmented::Taille::small);
        }) << QPoint(4, 14) << u"texte"_s;
        QTest::newRow("badge succès")
            << Fabrique([] { return new ValtoBadge(u"Lien"_s, ValtoBadge::Tone::success); }) << QPoint(3, 8)
            << u"succesTeinte"_s;
        QTest::newRow("barre") << Fabrique([] { return new DSBar(0.0); }) << QPoint(100, 3) << u"ligne"_s;
    }
    void bascule()
    {
        QFETCH(Fabrique, fabrique);
        QFETCH(QPoint, sonde);
        QFETCH(QString, jeton);
        const std::map<QString, const Jeton*> jetons = {{u"champ"_s, &Couleurs::champ()},
                                                        {u"remplissageFort"_s, &Couleurs::remplissageFort()},
                                                        {u"texte"_s, &Couleurs::texte()},
                                                        {u"succesTeinte"_s, &Couleurs::succesTeinte()},
                                                        {u"ligne"_s, &Couleurs::ligne()}};
        const Jeton& attendu = *jetons.at(jeton);
        QWidget fenetre;
        QWidget* controle = fabrique();
        controle->setParent(&fenetre);
        controle->setGeometry(QRect(QPoint(20, 20), controle->sizeHint().expandedTo(QSize(200, 6))));
        fenetre.resize(300, 100);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        QTest::mouseMove(&fenetre, QPoint(2, 2));
        QCOMPARE(Captures::pixel(*controle, sonde), attendu.clair);

        CompteurPeintures peintures;
        controle->installEventFilter(&peintures);
        Apparence::instance().forcer(Apparence::Mode::sombre);
        QTRY_VERIFY(peintures.nombre > 0);
        QCOMPARE(Captures::pixel(*controle, sonde), attendu.sombre);
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

    void policesDeRepli()
    {
        QVERIFY(!Polices::faceUtilisable(Polices::faceTexteRegular));
        const QFont texte = Polices::texte(15, QFont::Medium);
        QCOMPARE(texte.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        QCOMPARE(texte.pixelSize(), 15);
        QCOMPARE(texte.weight(), QFont::Medium);
        const QFont mono = Polices::mono(11);
        QCOMPARE(mono.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        QCOMPARE(mono.pixelSize(), 11);
        const QFont capitales = Polices::capitalesEspacees(11);
        QCOMPARE(capitales.family(), mono.family());
        QVERIFY(qAbs(capitales.letterSpacing() - 0.66) < 0.02);
        QCOMPARE(capitales.letterSpacingType(), QFont::AbsoluteSpacing);
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
            const QPixmap image = Icones::pixmap(nom, 13, danger, ratio);
            QCOMPARE(image.size(), QSize(qCeil(13 * ratio), qCeil(13 * ratio)));
            const QImage pixels = image.toImage();
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
            QVERIFY2(couverts > 0, qPrintable(nom));
        }
    }

    void presses_data()
    {
        QTest::addColumn<std::function<void(QWidget*)>>("geste");
        QTest::addColumn<int>("actions");
        QTest::newRow("clic") << std::function<void(QWidget*)>([](QWidget* w) {
            QTest::mouseClick(w, Qt::LeftButton);
        }) << 1;
        QTest::newRow("espace") << std::function<void(QWidget*)>([](QWidget* w) {
            QTest::keyClick(w, Qt::Key_Space);
        }) << 1;
        QTest::newRow("entrée") << std::function<void(QWidget*)>([](QWidget* w) {
            QTest::keyClick(w, Qt::Key_Return);
        }) << 1;
        QTest::newRow("relâché dehors") << std::function<void(QWidget*)>([](QWidget* w) {
            QTest::mousePress(w, Qt::LeftButton);
            QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-5, -5));
        }) << 0;
        QTest::newRow("clic droit") << std::function<void(QWidget*)>([](QWidget* w) {
            QTest::mouseClick(w, Qt::RightButton);
        }) << 0;
        QTest::newRow("désactivé") << std::function<void(QWidget*)>([](QWidget* w) {
            w->setEnabled(false);
            QTest::mouseClick(w, Qt::LeftButton);
            QTest::keyClick(w, Qt::Key_Space);
        }) << 0;
    }
    void presses()
    {
        QFETCH(std::function<void(QWidget*)>, geste);
        QFETCH(int, actions);
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
            QCOMPARE(appels, actions);
        }
    }

    // The ring shows once Tab brings the focus, not for the focus a window hands out when shown.
    void anneauAuClavier()
    {
        QWidget fenetre;
        auto* premier =
            new ValtoButton(u"Annuler"_s, ValtoButton::Role::normal, ValtoButton::Taille::normal, &fenetre);
        auto* second =
            new ValtoButton(u"Ajouter…"_s, ValtoButton::Role::normal, ValtoButton::Taille::normal, &fenetre);
        second->move(0, 50);
        fenetre.resize(200, 100);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        premier->setFocus(Qt::ActiveWindowFocusReason);
        QVERIFY(premier->hasFocus());
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
        QCOMPARE(icone.toolTip(), u"Rafraîchir les statistiques"_s);
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
        QFETCH(QColor, fondSurvole);
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
        QCOMPARE(Captures::pixel(*bouton, QPoint(3, 14)), fondSurvole);
        QCOMPARE(etiquetteAuRepos == etiquetteSurvolee, role == ValtoButton::Role::danger);
        QTest::mouseMove(&fenetre, QPoint(5, 5));
        QTRY_VERIFY(!bouton->hover());
    }

    void segments()
    {
        ValtoSegmented segments({{u"transfert"_s, u"Transfert"_s}, {u"compare"_s, u"Compare"_s}});
        segments.resize(segments.sizeHint());
        segments.show();
        QVERIFY(QTest::qWaitForWindowExposed(&segments));
        QSignalSpy changements(&segments, &ValtoSegmented::selectionChangee);
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QTest::mouseClick(&segments, Qt::LeftButton, {}, segments.zoneSegment(1).center().toPoint());
        QCOMPARE(segments.selection(), QVariant(u"compare"_s));
        // The pill lands on the chosen segment.
        QCOMPARE(Captures::pixel(segments, segments.zoneSegment(1).topLeft().toPoint() + QPoint(3, 14)),
                 Couleurs::texte().clair);
        segments.setSelection(u"compare"_s);
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

    void pastilles_data()
    {
        QTest::addColumn<StatusDot::Tone>("tone");
        QTest::addColumn<QColor>("centre");
        QTest::newRow("todo: anneau vide") << StatusDot::Tone::todo << Couleurs::fondPage().clair;
        QTest::newRow("succès: plein") << StatusDot::Tone::success << Couleurs::succes().clair;
        QTest::newRow("fg: plein") << StatusDot::Tone::fg << Couleurs::texte().clair;
    }
    void pastilles()
    {
        QFETCH(StatusDot::Tone, tone);
        QFETCH(QColor, centre);
        StatusDot point(u"Connexion OK"_s, tone);
        point.resize(point.sizeHint());
        const QImage image = Captures::image(point);
        const int milieu = point.height() / 2;
        QCOMPARE(image.pixelColor(4, milieu), centre);
        // Only the todo dot has a ring: its edge is drawn, a filled dot's edge is its own fill.
        const QColor bord = image.pixelColor(0, milieu);
        if (tone == StatusDot::Tone::todo) {
            QVERIFY(bord != centre);
        }
    }

    void barre_data()
    {
        QTest::addColumn<std::optional<double>>("valeur");
        QTest::addColumn<qreal>("remplie");
        QTest::newRow("négative") << std::optional<double>(-0.5) << 0.0;
        QTest::newRow("zéro") << std::optional<double>(0.0) << 0.0;
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
        const QImage image = Captures::image(barre);
        if (valeur) {
            const bool pleineAuBout = image.pixelColor(196, 3) == Couleurs::remplissageFort().clair;
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
        QVERIFY(barre.fill()->enMouvement());
        QTRY_VERIFY(barre.fill()->x() > 0.2);
        barre.setValue(0.5);
        QVERIFY(!barre.fill()->enMouvement());
        barre.setValue(std::nullopt);
        QVERIFY(barre.fill()->enMouvement());
        barre.hide();
        QVERIFY(!barre.fill()->enMouvement());
    }

    // Screens lay out against these heights; every control on one sheet, captured in both appearances.
    void catalogue()
    {
        QWidget planche;
        auto* ligne = new QHBoxLayout(&planche);
        const QList<std::pair<QWidget*, int>> hauteurs = {
            {new ValtoPrimaryButton(u"Créer le lien"_s), 34},
            {new ValtoButton(u"Ajouter…"_s, ValtoButton::Role::normal, ValtoButton::Taille::small), 28},
            {new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost), 34},
            {new ValtoButton(u"Supprimer"_s, ValtoButton::Role::danger), 34},
            {new ValtoSegmented({{1, u"Transfert"_s}, {2, u"Compare"_s}}, ValtoSegmented::Taille::small), 28},
            {new ValtoSegmented({{1, u"Transfert"_s}, {2, u"Compare"_s}}), 34},
            {new ValtoSelect({{7, u"7 jours"_s}}), 34},
            {new ActionIcone(u"arrow.clockwise"_s, u"Rafraîchir"_s, 28), 28},
            {new DSBar(0.4), 6}};
        for (const auto& [controle, hauteur] : hauteurs) {
            ligne->addWidget(controle);
        }
        for (const ValtoBadge::Tone tone : {ValtoBadge::Tone::neutral, ValtoBadge::Tone::success,
                                            ValtoBadge::Tone::warning, ValtoBadge::Tone::strong}) {
            ligne->addWidget(new ValtoBadge(u"Lien"_s, tone));
        }
        ligne->addWidget(new StatusDot(u"Envoyé"_s, StatusDot::Tone::todo));
        ligne->addWidget(new StatusDot(u"OK"_s, StatusDot::Tone::success));
        planche.resize(planche.sizeHint());
        planche.show();
        QVERIFY(QTest::qWaitForWindowExposed(&planche));
        for (const auto& [controle, hauteur] : hauteurs) {
            QCOMPARE(controle->height(), hauteur);
        }
        Captures::enregistrer(planche, u"design-catalogue"_s);
    }
};

VALTO_INSCRIRE_TESTS(TestDesign)
#include "TestDesign.moc"
