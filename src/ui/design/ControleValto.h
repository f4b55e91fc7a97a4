#pragma once

#include <QAccessible>
#include <QWidget>

#include <functional>
#include <optional>

// Base of the self-drawn button-like controls: the hover flag, presses by pointer or keyboard
// (Space, Enter), a focus policy that lets Tab reach them, and a repaint whenever the appearance changes.
class ControleValto : public QWidget {
    Q_OBJECT

public:
    explicit ControleValto(QWidget* parent = nullptr);

    bool hover() const { return m_hover; }
    void setAction(std::function<void()> action) { m_action = std::move(action); }

    // What a press does: the action, then the signal.
    void declencher();

    // The focus ring shows when the keyboard brought the focus here, not after a click or at start.
    bool anneauVisible() const { return hasFocus() && m_focusClavier; }

    // What screen readers are told: a button unless said otherwise, and the value it shows, if any.
    virtual QAccessible::Role roleAccessible() const { return QAccessible::Button; }
    virtual QString valeurAccessible() const { return {}; }
    // Whether it is ticked, for the controls that can be.
    virtual std::optional<bool> cocheAccessible() const { return std::nullopt; }

Q_SIGNALS:
    void presse();

protected:
    void enterEvent(QEnterEvent* evenement) override;
    void leaveEvent(QEvent* evenement) override;
    void mousePressEvent(QMouseEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;
    void changeEvent(QEvent* evenement) override;

    void focusInEvent(QFocusEvent* evenement) override;
    void focusOutEvent(QFocusEvent* evenement) override;

    // Opacity of the whole control: disabled controls fade.
    qreal opaciteEtat() const { return isEnabled() ? 1.0 : 0.4; }

private:
    void setHover(bool hover);

    bool m_hover = false;
    bool m_enfonce = false;
    bool m_focusClavier = false;
    std::function<void()> m_action;
};

// Repaints `widget` each time the appearance changes.
void suivreApparence(QWidget* widget);

// True when the keyboard moved the focus (Tab, Shift+Tab, a shortcut), not a click that hid the focused
// control.
bool focusVenuDuClavier(Qt::FocusReason raison);
