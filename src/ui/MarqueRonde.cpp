#include "MarqueRonde.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Icones.h"

#include <QPainter>

namespace {
constexpr int diametre = 44;
constexpr qreal tailleSymbole = 20;
} // namespace

MarqueRonde::MarqueRonde(const QString& symbole, const Jeton& fond, const Jeton& couleur, QWidget* parent)
    : QWidget(parent)
    , m_symbole(symbole)
    , m_fond(fond)
    , m_couleur(couleur)
{
    setFixedSize(diametre, diametre);
    suivreApparence(this);
}

void MarqueRonde::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(Qt::NoPen);
    peintre.setBrush(m_fond.couleur());
    peintre.drawEllipse(rect());
    Icones::dessiner(peintre, rect(), m_symbole, tailleSymbole, m_couleur.couleur());
}
