#include "DSBar.h"

#include "ControleValto.h"
#include "Couleurs.h"
#include "Formes.h"
#include "IndeterminateFill.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>

namespace {

// Below 0 or not a number: empty; 1 and beyond: full.
double fractionBornee(double valeur)
{
    return valeur > 0 ? std::min(valeur, 1.0) : 0.0;
}

// A progress bar for screen readers: its value in percent, none while the segment moves.
class BarreAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarreAccessible(DSBar* barre)
        : QAccessibleWidget(barre, QAccessible::ProgressBar)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text genre) const override
    {
        if (genre == QAccessible::Value) {
            const QVariant valeur = currentValue();
            return valeur.isValid() ? QStringLiteral("%1 %").arg(valeur.toInt()) : QString();
        }
        return QAccessibleWidget::text(genre);
    }
    QVariant currentValue() const override
    {
        const std::optional<double> valeur = static_cast<DSBar*>(widget())->value();
        return valeur ? QVariant(qRound(fractionBornee(*valeur) * 100)) : QVariant();
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* fabriqueAccessible(const QString&, QObject* objet)
{
    if (auto* barre = qobject_cast<DSBar*>(objet)) {
        return new BarreAccessible(barre);
    }
    return nullptr;
}

} // namespace

DSBar::DSBar(std::optional<double> value, QWidget* parent)
    : QWidget(parent)
    , m_value(value)
    , m_fill(new IndeterminateFill(this))
{
    static const bool fabriqueInstallee = [] {
        QAccessible::installFactory(fabriqueAccessible);
        return true;
    }();
    Q_UNUSED(fabriqueInstallee);
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
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent evenement(
            this, QAccessible::queryAccessibleInterface(this)->valueInterface()->currentValue());
        QAccessible::updateAccessibility(&evenement);
    }
}

qreal DSBar::largeurRemplie() const
{
    return m_value ? width() * fractionBornee(*m_value) : 0;
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
