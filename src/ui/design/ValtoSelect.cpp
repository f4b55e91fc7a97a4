#include "ValtoSelect.h"

#include "Couleurs.h"
#include "Formes.h"
#include "Icones.h"
#include "Polices.h"

#include <QAccessible>
#include <QActionGroup>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

namespace {
constexpr int hauteur = 34;
constexpr qreal marge = 12;
constexpr qreal espaceMinimal = 6;
constexpr qreal rayon = 8;
constexpr qreal tailleChevron = 10;
} // namespace

ValtoSelect::ValtoSelect(const QList<Option>& options, QWidget* parent)
    : ControleValto(parent)
    , m_options(options)
    , m_menu(new QMenu(this))
{
    m_menu->setObjectName(QStringLiteral("menu"));
    auto* groupe = new QActionGroup(m_menu);
    for (const Option& option : m_options) {
        QAction* action = m_menu->addAction(option.second);
        action->setCheckable(true);
        action->setActionGroup(groupe);
        const QVariant valeur = option.first;
        connect(action, &QAction::triggered, this, [this, valeur] { setSelection(valeur); });
    }
    setAction([this] { ouvrirMenu(); });
    setFixedHeight(hauteur);
}

QString ValtoSelect::libelleSelectionne() const
{
    for (const Option& option : m_options) {
        if (option.first == m_selection) {
            return option.second;
        }
    }
    return {};
}

void ValtoSelect::setSelection(const QVariant& selection)
{
    if (selection == m_selection) {
        return;
    }
    m_selection = selection;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent evenement(this, libelleSelectionne());
        QAccessible::updateAccessibility(&evenement);
    }
    Q_EMIT selectionChangee(m_selection);
}

void ValtoSelect::ouvrirMenu()
{
    const QList<QAction*> actions = m_menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        actions.at(i)->setChecked(m_options.at(i).first == m_selection);
    }
    m_menu->setMinimumWidth(width());
    m_menu->popup(mapToGlobal(QPoint(0, height() + 2)));
}

QSize ValtoSelect::sizeHint() const
{
    const QFontMetricsF mesures(Polices::texte(13));
    qreal plusLarge = 0;
    for (const Option& option : m_options) {
        plusLarge = qMax(plusLarge, mesures.horizontalAdvance(option.second));
    }
    return QSize(qCeil(2 * marge + plusLarge + espaceMinimal + Icones::cotePour(tailleChevron)), hauteur);
}

QSize ValtoSelect::minimumSizeHint() const
{
    return QSize(qCeil(2 * marge + espaceMinimal + Icones::cotePour(tailleChevron)), hauteur);
}

void ValtoSelect::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setOpacity(opaciteEtat());
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, Couleurs::champ().couleur());
    Formes::bordureInterieure(peintre, forme, rayon, Couleurs::ligne().couleur());
    const qreal coteChevron = Icones::cotePour(tailleChevron);
    const QRectF zoneChevron(forme.right() - marge - coteChevron, 0, coteChevron, forme.height());
    const QRectF zoneTexte(marge, 0, zoneChevron.left() - espaceMinimal - marge, forme.height());
    const QFont police = Polices::texte(13);
    peintre.setFont(police);
    peintre.setPen(Couleurs::texte().couleur());
    peintre.drawText(
        zoneTexte, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(police).elidedText(libelleSelectionne(), Qt::ElideRight, zoneTexte.width()));
    Icones::dessiner(peintre, zoneChevron, QStringLiteral("chevron.down"), coteChevron,
                     Couleurs::texteAttenue().couleur());
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
