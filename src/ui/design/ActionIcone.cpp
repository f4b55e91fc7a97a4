#include "ActionIcone.h"

#include "Couleurs.h"
#include "Formes.h"
#include "Icones.h"

#include <QPainter>

namespace {
constexpr qreal rayon = 6;
constexpr qreal taillePolice = 13;
} // namespace

ActionIcone::ActionIcone(const QString& systemName, const QString& aide, qreal taille, QWidget* parent)
    : ControleValto(parent)
    , m_systemName(systemName)
    , m_taille(taille)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAide(aide);
}

void ActionIcone::setSystemName(const QString& systemName)
{
    m_systemName = systemName;
    update();
}

void ActionIcone::setAide(const QString& aide)
{
    m_aide = aide;
    setToolTip(aide);
    setAccessibleName(aide);
}

QSize ActionIcone::sizeHint() const
{
    const int cote = qRound(m_taille);
    return QSize(cote, cote);
}

void ActionIcone::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setOpacity(opaciteEtat());
    const QRectF forme = rect();
    if (hover()) {
        Formes::remplir(peintre, forme, rayon, Couleurs::surfaceSurvol().couleur());
    }
    const QColor couleur = hover() ? Couleurs::texte().couleur() : Couleurs::texteAttenue().couleur();
    Icones::dessiner(peintre, forme, m_systemName, Icones::cotePour(taillePolice), couleur);
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
