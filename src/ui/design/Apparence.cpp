#include "Apparence.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

Apparence& Apparence::instance()
{
    static Apparence* unique = new Apparence;
    return *unique;
}

Apparence::Apparence()
    : QObject(qApp)
{
    qApp->installEventFilter(this);
    ecouterPlateforme();
    reevaluer();
}

void Apparence::forcer(std::optional<Mode> mode)
{
    m_force = mode;
    reevaluer();
}

bool Apparence::eventFilter(QObject* objet, QEvent* evenement)
{
    // The application palette follows the system; the portal has its own signal.
    if (objet == qApp && evenement->type() == QEvent::ApplicationPaletteChange) {
        reevaluer();
    }
    return QObject::eventFilter(objet, evenement);
}

void Apparence::setModePlateforme(std::optional<Mode> mode)
{
    m_plateforme = mode;
    reevaluer();
}

void Apparence::reevaluer()
{
    Mode mode = Mode::clair;
    if (m_force) {
        mode = *m_force;
    } else if (const std::optional<Mode> lu = lirePlateforme()) {
        mode = *lu;
    } else if (m_plateforme) {
        mode = *m_plateforme;
    } else {
        const bool fenetreFoncee = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
        mode = fenetreFoncee ? Mode::sombre : Mode::clair;
    }
    if (mode != m_mode) {
        m_mode = mode;
        Q_EMIT changee();
    }
}
