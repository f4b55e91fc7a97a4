#include "ValtoSegmented.h"

#include "Animations.h"
#include "ControleValto.h"
#include "Couleurs.h"
#include "DerniereSaisie.h"
#include "Formes.h"
#include "Polices.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace {
constexpr qreal margeInterieure = 2;
constexpr qreal ecart = 2;
constexpr qreal rayonConteneur = 8;
constexpr qreal rayonSegment = 6;
constexpr int dureeGlissement = 60;

// One segment for screen readers: a tab that says whether it is the selected one, and can be chosen.
class SegmentAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SegmentAccessible(ValtoSegmented* controle, qsizetype index)
        : m_controle(controle)
        , m_index(index)
    {
    }

    bool isValid() const override { return !m_controle.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent()->window(); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_controle);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text genre) const override
    {
        return genre == QAccessible::Name ? m_controle->options().at(m_index).second : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        const QRect zone = m_controle->zoneSegment(m_index).toRect();
        return QRect(m_controle->mapToGlobal(zone.topLeft()), zone.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State etat;
        etat.selectable = true;
        etat.selected = m_controle->indexSelectionne() == m_index;
        etat.checked = etat.selected;
        return etat;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == pressAction()) {
            m_controle->choisir(m_index);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<ValtoSegmented> m_controle;
    qsizetype m_index;
};

// The control is a tab list whose children are its segments.
class SegmentedAccessible final : public QAccessibleWidget {
public:
    explicit SegmentedAccessible(ValtoSegmented* controle)
        : QAccessibleWidget(controle, QAccessible::PageTabList)
    {
        for (qsizetype i = 0; i < controle->options().size(); ++i) {
            m_segments.append(QAccessible::registerAccessibleInterface(new SegmentAccessible(controle, i)));
        }
    }
    ~SegmentedAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_segments)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return int(m_segments.size()); }
    QAccessibleInterface* child(int index) const override
    {
        return index >= 0 && index < m_segments.size()
                   ? QAccessible::accessibleInterface(m_segments.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override
    {
        for (qsizetype i = 0; i < m_segments.size(); ++i) {
            if (QAccessible::accessibleInterface(m_segments.at(i)) == enfant) {
                return int(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            if (child(i)->rect().contains(x, y)) {
                return child(i);
            }
        }
        return nullptr;
    }
    QString text(QAccessible::Text genre) const override
    {
        if (genre == QAccessible::Value) {
            const auto* controle = static_cast<ValtoSegmented*>(widget());
            const qsizetype index = controle->indexSelectionne();
            return index >= 0 ? controle->options().at(index).second : QString();
        }
        return QAccessibleWidget::text(genre);
    }

private:
    QList<QAccessible::Id> m_segments;
};

QAccessibleInterface* fabriqueAccessible(const QString&, QObject* objet)
{
    if (auto* controle = qobject_cast<ValtoSegmented*>(objet)) {
        return new SegmentedAccessible(controle);
    }
    return nullptr;
}
} // namespace

ValtoSegmented::ValtoSegmented(const QList<Option>& options, Taille taille, QWidget* parent)
    : QWidget(parent)
    , m_options(options)
    , m_taille(taille)
    , m_glissement(new QVariantAnimation(this))
{
    static const bool fabriqueInstallee = [] {
        QAccessible::installFactory(fabriqueAccessible);
        DerniereSaisie::instance();
        return true;
    }();
    Q_UNUSED(fabriqueInstallee);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    suivreApparence(this);
    m_glissement->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_glissement, &QVariantAnimation::valueChanged, this, [this](const QVariant& valeur) {
        m_pastille = valeur.toRectF();
        update();
    });
    if (!m_options.isEmpty()) {
        m_selection = m_options.first().first;
        m_pastille = zoneSegment(0);
    }
}

QFont ValtoSegmented::police() const
{
    return Polices::texte(m_taille == Taille::small ? 12 : 13, QFont::Medium);
}

QRectF ValtoSegmented::zoneSegment(qsizetype index) const
{
    const qreal marge = m_taille == Taille::small ? 12 : 16;
    const qreal hauteur = m_taille == Taille::small ? 24 : 30;
    const QFontMetricsF mesures(police());
    qreal x = margeInterieure;
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        const qreal largeur = mesures.horizontalAdvance(m_options.at(i).second) + 2 * marge;
        if (i == index) {
            return QRectF(x, margeInterieure, largeur, hauteur);
        }
        x += largeur + ecart;
    }
    return {};
}

QSize ValtoSegmented::sizeHint() const
{
    const QRectF dernier = zoneSegment(m_options.size() - 1);
    return QSize(qCeil(dernier.right() + margeInterieure), qCeil(dernier.bottom() + margeInterieure));
}

qsizetype ValtoSegmented::indexSelectionne() const
{
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (m_options.at(i).first == m_selection) {
            return i;
        }
    }
    return -1;
}

void ValtoSegmented::setSelection(const QVariant& selection)
{
    if (selection == m_selection) {
        return;
    }
    m_selection = selection;
    const qsizetype index = indexSelectionne();
    m_glissement->stop();
    if (index >= 0) {
        const QRectF cible = zoneSegment(index);
        if (m_pastille.isEmpty()) {
            m_pastille = cible;
        }
        m_glissement->setDuration(Animations::duree(dureeGlissement));
        m_glissement->setStartValue(m_pastille);
        m_glissement->setEndValue(cible);
        m_glissement->start();
    }
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent evenement(this, QAccessible::Selection);
        QAccessible::updateAccessibility(&evenement);
    }
    Q_EMIT selectionChangee(m_selection);
}

void ValtoSegmented::choisir(qsizetype index)
{
    if (index >= 0 && index < m_options.size()) {
        setSelection(m_options.at(index).first);
    }
}

void ValtoSegmented::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayonConteneur, Couleurs::champ().couleur());
    Formes::bordureInterieure(peintre, forme, rayonConteneur, Couleurs::contour().couleur());
    const qsizetype selectionne = indexSelectionne();
    if (selectionne >= 0) {
        Formes::remplir(peintre, m_pastille, rayonSegment, Couleurs::texte().couleur());
    }
    peintre.setFont(police());
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        peintre.setPen(i == selectionne ? Couleurs::fondPage().couleur()
                                        : Couleurs::texteAttenue().couleur());
        peintre.drawText(zoneSegment(i), Qt::AlignCenter, m_options.at(i).second);
    }
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayonConteneur);
    }
}

void ValtoSegmented::mouseReleaseEvent(QMouseEvent* evenement)
{
    if (evenement->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(evenement);
        return;
    }
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (zoneSegment(i).contains(evenement->position())) {
            choisir(i);
        }
    }
}

void ValtoSegmented::keyPressEvent(QKeyEvent* evenement)
{
    const qsizetype index = indexSelectionne();
    if (evenement->key() == Qt::Key_Left) {
        choisir(qMax<qsizetype>(0, index - 1));
    } else if (evenement->key() == Qt::Key_Right) {
        choisir(index + 1);
    } else {
        QWidget::keyPressEvent(evenement);
    }
}

void ValtoSegmented::focusInEvent(QFocusEvent* evenement)
{
    m_focusClavier = focusVenuDuClavier(evenement->reason());
    QWidget::focusInEvent(evenement);
}

void ValtoSegmented::focusOutEvent(QFocusEvent* evenement)
{
    m_focusClavier = false;
    QWidget::focusOutEvent(evenement);
}
