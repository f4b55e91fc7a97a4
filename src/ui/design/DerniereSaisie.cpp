#include "DerniereSaisie.h"

#include <QCoreApplication>
#include <QEvent>

DerniereSaisie& DerniereSaisie::instance()
{
    static DerniereSaisie* unique = new DerniereSaisie;
    return *unique;
}

DerniereSaisie::DerniereSaisie()
    : QObject(QCoreApplication::instance())
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool DerniereSaisie::eventFilter(QObject* objet, QEvent* evenement)
{
    switch (evenement->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        m_clavier = true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
        m_clavier = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(objet, evenement);
}
