#include "DSBar.h"

#include "ControleValto.h"
#include "Couleurs.h"
#include "Formes.h"
#include "IndeterminateFill.h"

#include <QPainter>

DSBar::DSBar(std::optional<double> value, QWidget* parent)
    : QWidget(parent)
    , m_value(value)
    , m_fill(new IndeterminateFill(this))
{
    setFixedHeight(hauteur);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    suivreApparence(this);
    connect(m_fill, &IndeterminateFill::xChange, this, qOverload<>(&QWidget::update));
}

void DSBar::setValue(std::optional<double> value)
{
    if (value == m_value) {
        return;
    }
    m_value = value;
    suivreFill();
    update();
}

qreal DSBar::largeurRemplie() const
{
    // Below 0, absent or not a number: empty; 1 and beyond: full.
    if (!m_value || !(*m_value > 0)) {
        return 0;
    }
    return width() * std::min(*m_value, 1.0);
}

void DSBar::suivreFill()
{
    // The segment moves only while it is on screen.
    if (!m_value && isVisible()) {
        m_fill->demarrer();
    } else {
        m_fill->arreter();
    }
}

void DSBar::showEvent(QShowEvent* evenement)
{
    suivreFill();
    QWidget::showEvent(evenement);
}

void DSBar::hideEvent(QHideEvent* evenement)
{
    m_fill->arreter();
    QWidget::hideEvent(evenement);
}

void DSBar::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(Qt::NoPen);
    const QRectF piste = rect();
    peintre.setBrush(Couleurs::ligne().couleur());
    peintre.drawPath(Formes::capsule(piste));
    peintre.setBrush(Couleurs::remplissageFort().couleur());
    if (m_value) {
        const qreal largeur = largeurRemplie();
        if (largeur > 0) {
            peintre.drawPath(Formes::capsule(QRectF(0, 0, largeur, piste.height())));
        }
        return;
    }
    const QRectF segment(m_fill->x() * piste.width(), 0, IndeterminateFill::largeurRelative * piste.width(),
                         piste.height());
    peintre.drawPath(Formes::capsule(segment));
}
