#include "ZoneEtape.h"

#include "design/Animations.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVBoxLayout>

ZoneEtape::ZoneEtape(QWidget* parent)
    : QWidget(parent)
    , m_colonne(new QVBoxLayout(this))
{
    m_colonne->setContentsMargins(16, 16, 16, 16);
    m_colonne->setSpacing(0);
    setFocusPolicy(Qt::ClickFocus);
}

void ZoneEtape::afficher(QWidget* ecran, Passage passage)
{
    const bool fondu = passage == Passage::fondu && m_ecran && isVisible() && Animations::actives();
    const QPixmap ancien = fondu ? m_ecran->grab() : QPixmap();
    const QRect zone = fondu ? m_ecran->geometry() : QRect();
    if (m_ecran) {
        // The focus stays here: left to itself it would move on to the tab switch and light its ring.
        if (m_ecran->isAncestorOf(QApplication::focusWidget())) {
            setFocus(Qt::OtherFocusReason);
        }
        m_colonne->removeWidget(m_ecran);
        m_ecran->hide();
        m_ecran->deleteLater();
    }
    m_ecran = ecran;
    m_colonne->addWidget(ecran);
    ecran->show();
    if (fondu) {
        fondre(ancien, zone);
    }
}

void ZoneEtape::fondre(const QPixmap& ancien, const QRect& zone)
{
    // A picture of the old screen on top of the new one, fading out.
    auto* voile = new QLabel(this);
    voile->setPixmap(ancien);
    voile->setGeometry(zone);
    voile->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* opacite = new QGraphicsOpacityEffect(voile);
    voile->setGraphicsEffect(opacite);
    voile->show();
    voile->raise();
    auto* fondu = new QPropertyAnimation(opacite, "opacity", voile);
    fondu->setDuration(Animations::duree(dureeFondu));
    fondu->setStartValue(1.0);
    fondu->setEndValue(0.0);
    fondu->setEasingCurve(QEasingCurve::OutCubic);
    connect(fondu, &QPropertyAnimation::finished, voile, &QObject::deleteLater);
    fondu->start();
}
