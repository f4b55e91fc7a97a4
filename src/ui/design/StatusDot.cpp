#include "StatusDot.h"

#include "ControleValto.h"
#include "Couleurs.h"
#include "Polices.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr qreal diametre = 9;
constexpr qreal espacement = 8;
constexpr qreal taillePolice = 11;
constexpr qreal anneau = 1.5;
} // namespace

StatusDot::StatusDot(const QString& mot, Tone tone, QWidget* parent)
    : QWidget(parent)
    , m_tone(tone)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    suivreApparence(this);
    setMot(mot);
}

void StatusDot::setMot(const QString& mot)
{
    m_mot = mot;
    setAccessibleName(mot);
    updateGeometry();
    update();
}

void StatusDot::setTone(Tone tone)
{
    m_tone = tone;
    update();
}

QColor StatusDot::remplissage(Tone tone)
{
    switch (tone) {
    case Tone::neutral:
        return Couleurs::texteDiscret().couleur();
    case Tone::success:
        return Couleurs::succes().couleur();
    case Tone::warning:
        return Couleurs::avertissement().couleur();
    case Tone::danger:
        return Couleurs::danger().couleur();
    case Tone::progress:
        return Couleurs::progression().couleur();
    case Tone::fg:
        return Couleurs::texte().couleur();
    case Tone::todo:
        return Qt::transparent;
    }
    return {};
}

QSize StatusDot::sizeHint() const
{
    const QFontMetricsF mesures(Polices::capitalesEspacees(taillePolice));
    return QSize(qCeil(diametre + espacement + mesures.horizontalAdvance(Polices::majuscules(m_mot))),
                 qCeil(qMax(diametre, mesures.height())));
}

void StatusDot::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    const QRectF cercle(0, (height() - diametre) / 2, diametre, diametre);
    if (m_tone == Tone::todo) {
        peintre.setPen(QPen(Couleurs::bordurePointillee().couleur(), anneau));
        peintre.setBrush(Qt::NoBrush);
        peintre.drawEllipse(cercle.adjusted(anneau / 2, anneau / 2, -anneau / 2, -anneau / 2));
    } else {
        peintre.setPen(Qt::NoPen);
        peintre.setBrush(remplissage(m_tone));
        peintre.drawEllipse(cercle);
    }
    peintre.setFont(Polices::capitalesEspacees(taillePolice));
    peintre.setPen(Couleurs::texteAttenue().couleur());
    peintre.drawText(QRectF(diametre + espacement, 0, width() - diametre - espacement, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, Polices::majuscules(m_mot));
}
