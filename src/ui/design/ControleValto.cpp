#include "ControleValto.h"

#include "Apparence.h"
#include "DerniereSaisie.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

namespace {

// Screen readers see a control that can be pressed, named by the control's accessible name.
class ControleAccessible final : public QAccessibleWidget {
public:
    explicit ControleAccessible(ControleValto* controle)
        : QAccessibleWidget(controle, controle->roleAccessible())
    {
        addControllingSignal(QStringLiteral("presse()"));
    }

    QString text(QAccessible::Text genre) const override
    {
        if (genre == QAccessible::Value) {
            return static_cast<ControleValto*>(widget())->valeurAccessible();
        }
        return QAccessibleWidget::text(genre);
    }

    QAccessible::State state() const override
    {
        QAccessible::State etat = QAccessibleWidget::state();
        if (const std::optional<bool> coche = static_cast<ControleValto*>(widget())->cocheAccessible()) {
            etat.checkable = true;
            etat.checked = *coche;
        }
        return etat;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override
    {
        auto* controle = static_cast<ControleValto*>(widget());
        if (action == pressAction() && controle->isEnabled()) {
            controle->declencher();
        }
    }
};

QAccessibleInterface* fabriqueAccessible(const QString&, QObject* objet)
{
    if (auto* controle = qobject_cast<ControleValto*>(objet)) {
        return new ControleAccessible(controle);
    }
    return nullptr;
}

} // namespace

void suivreApparence(QWidget* widget)
{
    QObject::connect(&Apparence::instance(), &Apparence::changee, widget, qOverload<>(&QWidget::update));
}

bool focusVenuDuClavier(Qt::FocusReason raison)
{
    const bool raisonClavier =
        raison == Qt::TabFocusReason || raison == Qt::BacktabFocusReason || raison == Qt::ShortcutFocusReason;
    return raisonClavier && DerniereSaisie::instance().clavier();
}

ControleValto::ControleValto(QWidget* parent)
    : QWidget(parent)
{
    static const bool fabriqueInstallee = [] {
        QAccessible::installFactory(fabriqueAccessible);
        // Listening from the start: the key press that moves the focus comes before the focus does.
        DerniereSaisie::instance();
        return true;
    }();
    Q_UNUSED(fabriqueInstallee);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    suivreApparence(this);
}

void ControleValto::declencher()
{
    // The action may close the screen that holds this control.
    const QPointer<ControleValto> garde(this);
    if (m_action) {
        m_action();
    }
    if (garde) {
        Q_EMIT presse();
    }
}

void ControleValto::enterEvent(QEnterEvent* evenement)
{
    setHover(isEnabled());
    QWidget::enterEvent(evenement);
}

void ControleValto::leaveEvent(QEvent* evenement)
{
    setHover(false);
    QWidget::leaveEvent(evenement);
}

void ControleValto::mousePressEvent(QMouseEvent* evenement)
{
    if (evenement->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(evenement);
        return;
    }
    m_enfonce = true;
    evenement->accept();
}

void ControleValto::mouseReleaseEvent(QMouseEvent* evenement)
{
    // Like any button: a press counts when the pointer is released over the control.
    const bool presseIci = m_enfonce && evenement->button() == Qt::LeftButton &&
                           rect().contains(evenement->position().toPoint());
    m_enfonce = false;
    if (presseIci) {
        declencher();
        evenement->accept();
        return;
    }
    QWidget::mouseReleaseEvent(evenement);
}

void ControleValto::keyPressEvent(QKeyEvent* evenement)
{
    switch (evenement->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!evenement->isAutoRepeat()) {
            declencher();
        }
        evenement->accept();
        return;
    default:
        QWidget::keyPressEvent(evenement);
    }
}

void ControleValto::focusInEvent(QFocusEvent* evenement)
{
    m_focusClavier = focusVenuDuClavier(evenement->reason());
    QWidget::focusInEvent(evenement);
}

void ControleValto::focusOutEvent(QFocusEvent* evenement)
{
    m_focusClavier = false;
    QWidget::focusOutEvent(evenement);
}

void ControleValto::changeEvent(QEvent* evenement)
{
    if (evenement->type() == QEvent::EnabledChange && !isEnabled()) {
        setHover(false);
    }
    QWidget::changeEvent(evenement);
}

void ControleValto::setHover(bool hover)
{
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
}
