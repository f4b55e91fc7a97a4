#include "Symbole.h"

#include "ControleValto.h"
#include "Couleurs.h"
#include "Icones.h"

#include <QPainter>

Symbole::Symbole(const QString& nom, qreal cote, const Jeton& couleur, QWidget* parent)
    : QWidget(parent)
    , m_nom(nom)
    , m_cote(cote)
    , m_couleur(&couleur)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    suivreApparence(this);
}

void Symbole::setNom(const QString& nom)
{
    m_nom = nom;
    update();
}

void Symbole::setCouleur(const Jeton& couleur)
{
    m_couleur = &couleur;
    update();
}

QSize Symbole::sizeHint() const
{
    const int cote = qCeil(m_cote);
    return QSize(cote, cote);
}

void Symbole::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    Icones::dessiner(peintre, rect(), m_nom, m_cote, m_couleur->couleur());
}
