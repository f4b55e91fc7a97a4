#include "Libelle.h"

#include "Apparence.h"
#include "Couleurs.h"

#include <QPainter>

Libelle::Libelle(const QString& texte, const QFont& police, const Jeton& couleur, QWidget* parent)
    : QLabel(texte, parent)
    , m_couleur(&couleur)
{
    setFont(police);
    setTextFormat(Qt::PlainText);
    appliquerCouleur();
    connect(&Apparence::instance(), &Apparence::changee, this, &Libelle::appliquerCouleur);
}

void Libelle::setCouleur(const Jeton& couleur)
{
    m_couleur = &couleur;
    appliquerCouleur();
}

void Libelle::setEliderAuMilieu(bool elider)
{
    m_eliderAuMilieu = elider;
    setSizePolicy(elider ? QSizePolicy::Ignored : QSizePolicy::Preferred, sizePolicy().verticalPolicy());
    updateGeometry();
    update();
}

QSize Libelle::minimumSizeHint() const
{
    if (!m_eliderAuMilieu) {
        return QLabel::minimumSizeHint();
    }
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("…")) * 4,
                 QLabel::minimumSizeHint().height());
}

void Libelle::paintEvent(QPaintEvent* evenement)
{
    if (!m_eliderAuMilieu) {
        QLabel::paintEvent(evenement);
        return;
    }
    QPainter peintre(this);
    peintre.setPen(m_couleur->couleur());
    const QRect zone = contentsRect();
    peintre.drawText(zone, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, zone.width()));
}

void Libelle::appliquerCouleur()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, m_couleur->couleur());
    palette.setColor(QPalette::Text, m_couleur->couleur());
    setPalette(palette);
}
