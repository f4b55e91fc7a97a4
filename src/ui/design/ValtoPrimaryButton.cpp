#include "ValtoPrimaryButton.h"

#include "Couleurs.h"
#include "EtiquetteBouton.h"
#include "Formes.h"
#include "Icones.h"
#include "Polices.h"

#include <QPainter>

namespace {
constexpr qreal hauteur = 34;
constexpr qreal marge = 16;
constexpr qreal rayon = 8;
constexpr qreal taillePolice = 12;
} // namespace

ValtoPrimaryButton::ValtoPrimaryButton(const QString& titre, const QString& systemImage, QWidget* parent)
    : ControleValto(parent)
    , m_systemImage(systemImage)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setTitre(titre);
}

void ValtoPrimaryButton::setTitre(const QString& titre)
{
    m_titre = titre;
    setAccessibleName(titre);
    updateGeometry();
    update();
}

void ValtoPrimaryButton::setSystemImage(const QString& systemImage)
{
    m_systemImage = systemImage;
    updateGeometry();
    update();
}

EtiquetteBouton ValtoPrimaryButton::etiquette() const
{
    return {Polices::majuscules(m_titre), Polices::capitalesEspacees(taillePolice), m_systemImage,
            Icones::cotePour(taillePolice)};
}

QSize ValtoPrimaryButton::sizeHint() const
{
    return QSize(qCeil(etiquette().largeur() + 2 * marge), int(hauteur));
}

void ValtoPrimaryButton::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setOpacity(opaciteEtat() * (hover() ? 0.9 : 1.0));
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, Couleurs::remplissageFort().couleur());
    etiquette().dessiner(peintre, forme, Couleurs::texteSurFort().couleur());
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
