#pragma once

#include <QColor>
#include <QStringView>

// "#rrggbb" or "#rrggbbaa", white space around allowed; anything else reads its three lowest bytes.
QColor couleurDepuisHex(QStringView hex);

// `a` at 0, `b` at 1, channel by channel in between.
QColor melanger(const QColor& a, const QColor& b, qreal t);

// One named colour of the design system: a light and a dark value, chosen when it is drawn.
struct Jeton final {
    QColor clair;
    QColor sombre;

    Jeton(QStringView hexClair, QStringView hexSombre)
        : clair(couleurDepuisHex(hexClair))
        , sombre(couleurDepuisHex(hexSombre))
    {
    }

    // The value for the current appearance.
    QColor couleur() const;
    QColor couleur(qreal opacite) const;
};

// The palette every screen draws with.
namespace Couleurs {
const Jeton& fondPage();
const Jeton& surface();
const Jeton& texte();
const Jeton& texteAttenue();
const Jeton& texteDiscret();
const Jeton& ligne();
const Jeton& bordurePointillee();
const Jeton& bordurePointilleeSurvol();
const Jeton& contour();
const Jeton& champ();
const Jeton& surfaceSurvol();
const Jeton& remplissageFort();
const Jeton& texteSurFort();
const Jeton& succes();
const Jeton& succesTeinte();
const Jeton& avertissement();
const Jeton& avertissementTeinte();
const Jeton& danger();
const Jeton& dangerTeinte();
const Jeton& progression();
const Jeton& progressionTeinte();
} // namespace Couleurs
