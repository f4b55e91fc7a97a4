#pragma once

#include <QObject>

// Remembers whether the user last used the keyboard or the pointer. Qt moves the focus off a control that
// hides or turns disabled with a Tab reason, even when a click did it: that alone must not light a ring.
class DerniereSaisie final : public QObject {
    Q_OBJECT

public:
    static DerniereSaisie& instance();

    bool clavier() const { return m_clavier; }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    DerniereSaisie();

    bool m_clavier = false;
};
