#include "ValtoButton.h"

#include "Couleurs.h"
#include "Formes.h"
#include "Icones.h"
#include "Polices.h"

#include <QPainter>

namespace {
constexpr qreal rayon = 8;
} // namespace

ValtoButton::ValtoButton(const QString& titre, Role role, Taille taille, QWidget* parent)
    : ControleValto(parent)
    , m_role(role)
    , m_taille(taille)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setTitre(titre);
}

void ValtoButton::setTitre(const QString& titre)
{
    m_titre = titre;
    setAccessibleName(titre);
    updateGeometry();
    update();
}

void ValtoButton::setSystemImage(const QString& systemImage)
{
    m_systemImage = systemImage;
    updateGeometry();
    update();
}

void ValtoButton::setRole(Role role)
{
    m_role = role;
    update();
}

EtiquetteBouton ValtoButton::etiquette() const
{
    const qreal points = m_taille == Taille::small ? 12 : 13;
    return {m_titre, Polices::texte(points, QFont::Medium), m_systemImage, Icones::cotePour(points)};
}

QSize ValtoButton::sizeHint() const
{
    const qreal marge = m_taille == Taille::small ? 12 : 16;
    const int hauteur = m_taille == Taille::small ? 28 : 34;
    return QSize(qCeil(etiquette().largeur() + 2 * marge), hauteur);
}

QColor ValtoButton::couleurRemplissage() const
{
    switch (m_role) {
    case Role::normal:
        return hover() ? Couleurs::texte().couleur() : Couleurs::champ().couleur();
    case Role::ghost:
        return hover() ? Couleurs::surfaceSurvol().couleur() : QColor(Qt::transparent);
    case Role::danger:
        return hover() ? Couleurs::dangerTeinte().couleur() : QColor(Qt::transparent);
    }
    return {};
}

QColor ValtoButton::couleurEtiquette() const
{
    switch (m_role) {
    case Role::normal:
        return hover() ? Couleurs::fondPage().couleur() : Couleurs::texte().couleur();
    case Role::ghost:
        return hover() ? Couleurs::texte().couleur() : Couleurs::texteAttenue().couleur();
    case Role::danger:
        return Couleurs::danger().couleur();
    }
    return {};
}

void ValtoButton::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.setOpacity(opaciteEtat());
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, couleurRemplissage());
    if (m_role == Role::normal) {
        Formes::bordureInterieure(peintre, forme, rayon, Couleurs::contour().couleur());
    }
    etiquette().dessiner(peintre, forme, couleurEtiquette());
    if (anneauVisible()) {
        Formes::anneauFocus(peintre, forme, rayon);
    }
}
