#include "Captures.h"
#include "IndicateurActivite.h"
#include "LogoValto.h"
#include "design/ActionIcone.h"
#include "design/Apparence.h"
#include "design/Couleurs.h"
#include "design/DSBar.h"
#include "design/StatusDot.h"
#include "design/Symbole.h"
#include "design/ValtoBadge.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSegmented.h"
#include "design/ValtoSelect.h"
#include "support/ExecuterTests.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Fabrique = std::function<QWidget*()>;
using Geste = std::function<void(QWidget*)>;

// Notes the widgets that receive a paint event.
class Peints final : public QObject {
public:
    QSet<QObject*> objets;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Paint) {
            objets.insert(objet);
        }
        return false;
    }
};

} // namespace

class TestDesign final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Apparence::instance().forcer(Apparence::Mode::clair); }

    // Nothing forced and no desktop setting: the application's palette decides, and its changes are followed.
    void paletteSuivie()
    {
        Apparence::instance().forcer(std::nullopt);
        const QPalette claire = QGuiApplication::palette();
        QPalette foncee = claire;
        foncee.setColor(QPalette::Window, Qt::black);
        QGuiApplication::setPalette(foncee);
        const Apparence::Mode mode = Apparence::instance().mode();
        QGuiApplication::setPalette(claire);
        QCOMPARE(mode, Apparence::Mode::sombre);
        QCOMPARE(Apparence::instance().mode(), Apparence::Mode::clair);
    }

    void presses_data()
    {
        QTest::addColumn<Geste>("geste");
        QTest::addColumn<int>("actions");
        QTest::newRow("clic") << Geste([](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }) << 1;
        QTest::newRow("espace") << Geste([](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }) << 1;
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
            QCOMPARE(controle->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    // The tab switch answers the arrows (the pointer in the content's tests). For screen readers each segment
    // is a tab that says whether it is selected and can be chosen (roles and names: the window's reading).
    void segments()
    {
        ValtoSegmented segments({{u"transfert"_s, u"Transfert"_s}, {u"compare"_s, u"Compare"_s}});
        segments.show();
        QVERIFY(QTest::qWaitForWindowExposed(&segments));
        QSignalSpy changements(&segments, &ValtoSegmented::selectionChangee);
        QAccessibleInterface* liste = QAccessible::queryAccessibleInterface(&segments);
        QCOMPARE(liste->childCount(), 2);
        QAccessibleInterface* compare = liste->child(1);
        QCOMPARE(liste->indexOfChild(compare), 1);
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QVERIFY(liste->child(0)->state().selected && !compare->state().selected);
        compare->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(segments.selection(), QVariant(u"compare"_s));
        QVERIFY(!liste->child(0)->state().selected && compare->state().selected);
        QCOMPARE(liste->text(QAccessible::Value), u"Compare"_s);
        QTest::keyClick(&segments, Qt::Key_Right);
        QCOMPARE(changements.count(), 1);
        QTest::keyClick(&segments, Qt::Key_Left);
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QCOMPARE(changements.count(), 2);
    }

    // Screen readers get the share a bar shows, bounded, and tools that read its number get the same; the
    // other controls' roles and names are in the catalogue's reading.
    void barre_data()
    {
        QTest::addColumn<std::optional<double>>("valeur");
        QTest::addColumn<QString>("lue");
        QTest::newRow("au-delà") << std::optional(1.7) << u"100 %"_s;
        // Below nothing and not a number read as empty.
        QTest::newRow("négative") << std::optional(-0.5) << u"0 %"_s;
        QTest::newRow("pas un nombre") << std::optional(std::nan("")) << u"0 %"_s;
        QTest::newRow("sans valeur") << std::optional<double>() << QString();
    }
    void barre()
    {
        QFETCH(std::optional<double>, valeur);
        DSBar barre(valeur);
        barre.resize(200, DSBar::hauteur);
        barre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&barre));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&barre);
        const QString lue = accessible->text(QAccessible::Value);
        QTEST(lue, "lue");
        const QVariant nombre = accessible->valueInterface()->currentValue();
        QCOMPARE(nombre.isValid() ? u"%1 %"_s.arg(nombre.toInt()) : QString(), lue);
        // The filled part is the share read out, none without a value.
        QCOMPARE(qRound(barre.largeurRemplie() * 100 / barre.width()), lue.section(u' ', 0, 0).toInt());
    }

    // The focus ring follows the keyboard only: a click that hides the focused control moves the focus on
    // with a Tab reason, which must not light the next control's ring.
    void anneauFocus_data()
    {
        QTest::addColumn<Geste>("geste");
        QTest::addColumn<bool>("anneau");
        QTest::newRow("Tab") << Geste([](QWidget* premier) { QTest::keyClick(premier, Qt::Key_Tab); })
                             << true;
        QTest::newRow("clic qui cache le bouton")
            << Geste([](QWidget* premier) { QTest::mouseClick(premier, Qt::LeftButton); }) << false;
    }
    void anneauFocus()
    {
        QFETCH(Geste, geste);
        QWidget fenetre;
        auto* rangee = new QHBoxLayout(&fenetre);
        auto* premier = new ValtoButton(u"Retirer"_s);
        auto* second = new ValtoButton(u"Annuler"_s);
        premier->setAction([premier] { premier->hide(); });
        rangee->addWidget(premier);
        rangee->addWidget(second);
        fenetre.show();
        fenetre.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fenetre));
        premier->setFocus(Qt::OtherFocusReason);
        geste(premier);
        QVERIFY(second->hasFocus());
        QTEST(second->anneauVisible(), "anneau");
    }

    // Every control on one sheet, in both appearances; on screen, each repaints itself when the appearance
    // flips.
    void catalogue()
    {
        QWidget planche;
        auto* ligne = new QHBoxLayout(&planche);
        for (QWidget* controle : std::initializer_list<QWidget*>{
                 new ValtoPrimaryButton(u"Créer le lien"_s), new ValtoButton(u"Ajouter…"_s),
                 new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost, ValtoButton::Taille::small),
                 new ValtoButton(u"Supprimer"_s, ValtoButton::Role::danger, ValtoButton::Taille::small),
                 new ValtoSegmented({{1, u"Transfert"_s}, {2, u"Compare"_s}}),
                 new ValtoSelect({{7, u"7 jours"_s}}),
                 new ActionIcone(u"arrow.clockwise"_s, u"Rafraîchir"_s, 28), new DSBar(0.4),
                 new ValtoBadge(u"Lien"_s), new ValtoBadge(u"Lien"_s, ValtoBadge::Tone::success),
                 new ValtoBadge(u"Compare"_s, ValtoBadge::Tone::strong),
                 new StatusDot(u"Envoyé"_s, StatusDot::Tone::todo),
                 new StatusDot(u"OK"_s, StatusDot::Tone::success)}) {
            ligne->addWidget(controle);
        }
        // A bar takes what room is left, which is none here.
        planche.findChild<DSBar*>()->setMinimumWidth(80);
        planche.show();
        QVERIFY(QTest::qWaitForWindowExposed(&planche));
        VERIFIER_CAPTURES(planche, u"design-catalogue"_s);
        Peints peints;
        const QList<QWidget*> controles = planche.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* controle : controles) {
            controle->installEventFilter(&peints);
        }
        Apparence::instance().forcer(Apparence::Mode::sombre);
        QTRY_COMPARE(peints.objets.size(), controles.size());
    }

    // The spinner drawn alone, still: at the size of the whole window its arc would hide in the tolerance.
    void indicateurActivite()
    {
        IndicateurActivite indicateur(24);
        indicateur.resize(24, 24);
        VERIFIER_CAPTURES(indicateur, u"indicateur-activite"_s);
    }

    // The studio's screens draw at 2×: a control shows there the picture it shows at 1×, only finer.
    void hauteResolution_data()
    {
        QTest::addColumn<Fabrique>("fabrique");
        QTest::newRow("logo") << Fabrique([] { return new LogoValto; });
        QTest::newRow("symbole") << Fabrique([] { return new Symbole(u"doc"_s, 13, Couleurs::texte()); });
    }
    void hauteResolution()
    {
        QFETCH(Fabrique, fabrique);
        const std::unique_ptr<QWidget> controle(fabrique());
        controle->resize(controle->sizeHint());
        const auto rendu = [&](qreal ratio) {
            QImage image(controle->size() * ratio, QImage::Format_RGB32);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::white);
            controle->render(&image, {}, {}, QWidget::DrawChildren);
            image.setDevicePixelRatio(1);
            return image.scaled(controle->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        const QImage simple = rendu(1);
        const QImage fine = rendu(2);
        qint64 ecarts = 0;
        for (int y = 0; y < simple.height(); ++y) {
            for (int x = 0; x < simple.width(); ++x) {
                ecarts += std::abs(qGray(simple.pixel(x, y)) - qGray(fine.pixel(x, y)));
            }
        }
        const qint64 moyen = ecarts / (simple.width() * simple.height());
        QVERIFY2(moyen <= 6, qPrintable(QString::number(moyen)));
    }
};

VALTO_INSCRIRE_TESTS(TestDesign)
#include "TestDesign.moc"
