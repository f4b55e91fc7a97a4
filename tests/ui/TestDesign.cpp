#include "Captures.h"
#include "IndicateurActivite.h"
#include "design/ActionIcone.h"
#include "design/Apparence.h"
#include "design/DSBar.h"
#include "design/StatusDot.h"
#include "design/ValtoBadge.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSegmented.h"
#include "design/ValtoSelect.h"
#include "support/ExecuterTests.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QTest>
#include <QVariantAnimation>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

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

    void presses_data()
    {
        QTest::addColumn<Geste>("geste");
        QTest::addColumn<int>("actions");
        const Geste lu = [](QWidget* w) {
            QAccessible::queryAccessibleInterface(w)->actionInterface()->doAction(u"Press"_s);
        };
        QTest::newRow("clic") << Geste([](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }) << 1;
        QTest::newRow("espace") << Geste([](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }) << 1;
        QTest::newRow("lecteur d’écran") << lu << 1;
        QTest::newRow("relâché dehors, puis relâché seul") << Geste([](QWidget* w) {
            QTest::mousePress(w, Qt::LeftButton);
            QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-5, -5));
            QTest::mouseRelease(w, Qt::LeftButton); // a release with no press of its own
        }) << 0;
        QTest::newRow("clic droit") << Geste([](QWidget* w) { QTest::mouseClick(w, Qt::RightButton); }) << 0;
        QTest::newRow("désactivé sous le pointeur") << Geste([lu](QWidget* w) {
            QTest::mouseMove(w);
            w->setEnabled(false);
            QTest::mouseClick(w, Qt::LeftButton);
            QTest::keyClick(w, Qt::Key_Space);
            lu(w);
        }) << 0;
    }
    void presses()
    {
        QFETCH(Geste, geste);
        // The buttons' kinds differ only in their looks. Under the pointer they light up, unless disabled.
        ValtoButton controle(u"Retirer"_s);
        int appels = 0;
        controle.setAction([&appels] { ++appels; });
        controle.show();
        controle.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&controle));
        geste(&controle);
        QTEST(appels, "actions");
        QTest::mouseMove(&controle);
        QCOMPARE(controle.hover(), controle.isEnabled());
        QTest::mouseMove(&controle, QPoint(-5, -5)); // away from the next tests' windows
    }

    // The tab switch answers the arrows, and a screen reader pressing the segment it finds under a point (the
    // pointer in the content's tests; roles and names: the catalogue's reading).
    void segments()
    {
        ValtoSegmented segments({{u"transfert"_s, u"Transfert"_s}, {u"compare"_s, u"Compare"_s}});
        segments.show();
        QVERIFY(QTest::qWaitForWindowExposed(&segments));
        QAccessibleInterface* liste = QAccessible::queryAccessibleInterface(&segments);
        const QPoint point = segments.mapToGlobal(segments.zoneSegment(1).center().toPoint());
        QAccessibleInterface* lu = liste->childAt(point.x(), point.y());
        QVERIFY(liste->indexOfChild(lu) == 1 && !liste->childAt(point.x(), -1));
        lu->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(segments.selection(), QVariant(u"compare"_s));
        QTest::keyClick(&segments, Qt::Key_Left);
        QTest::mouseClick(&segments, Qt::RightButton, {}, segments.zoneSegment(1).center().toPoint()); // no choice
        QCOMPARE(segments.selection(), QVariant(u"transfert"_s));
        QTest::keySequence(&segments, QKeySequence(Qt::Key_Right, Qt::Key_Right)); // the last one stays
        QVERIFY(segments.selection() == u"compare"_s && segments.cursor() == Qt::PointingHandCursor);
    }

    // Screen readers get the share a bar shows, bounded, and tools that read its number get the same; the
    // other controls' roles and names are in the catalogue's reading.
    void barre_data()
    {
        QTest::addColumn<std::optional<double>>("valeur");
        QTest::addColumn<QString>("lue");
        QTest::newRow("au-delà") << std::optional(1.7) << u"100 %"_s;
        QTest::newRow("négative") << std::optional(-0.5) << u"0 %"_s;
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
        // The filled part is the share read out, none without a value; with motion off, nothing moves.
        QCOMPARE(qRound(barre.largeurRemplie() * 100 / barre.width()), lue.section(u' ', 0, 0).toInt());
        QCOMPARE(barre.findChild<QVariantAnimation*>()->state(), QAbstractAnimation::Stopped);
    }

    // Every control on one sheet, in both looks; on screen, each repaints itself when the look flips.
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
        // The spinner alone, still: in the whole window its arc would hide in the tolerance.
        IndicateurActivite indicateur(24);
        indicateur.resize(24, 24);
        VERIFIER_CAPTURES(indicateur, u"indicateur-activite"_s);
        QVariantAnimation& tour = *indicateur.findChild<QVariantAnimation*>(); // on and on, from the top
        tour.setCurrentTime(tour.duration() * 3 / 2);
        QVERIFY(tour.currentLoop() == 1 && tour.currentValue().toDouble() == 180.0);
    }
};

VALTO_INSCRIRE_TESTS(TestDesign)
#include "TestDesign.moc"
