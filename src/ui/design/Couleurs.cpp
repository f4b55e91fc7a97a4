#include "Couleurs.h"

#include "Apparence.h"

using namespace Qt::StringLiterals;

QColor couleurDepuisHex(QStringView hex)
{
    QStringView chiffres = hex.trimmed();
    if (chiffres.startsWith(u'#')) {
        chiffres = chiffres.mid(1);
    }
    const quint64 valeur = chiffres.toULongLong(nullptr, 16);
    if (chiffres.size() == 8) {
        return QColor(int(valeur >> 24 & 0xff), int(valeur >> 16 & 0xff), int(valeur >> 8 & 0xff),
                      int(valeur & 0xff));
    }
    return QColor(int(valeur >> 16 & 0xff), int(valeur >> 8 & 0xff), int(valeur & 0xff));
}

QColor melanger(const QColor& a, const QColor& b, qreal t)
{
    const auto canal = [t](float x, float y) { return x + (y - x) * float(t); };
    return QColor::fromRgbF(canal(a.redF(), b.redF()), canal(a.greenF(), b.greenF()),
                            canal(a.blueF(), b.blueF()), canal(a.alphaF(), b.alphaF()));
}

QColor Jeton::couleur() const
{
    return Apparence::instance().sombre() ? sombre : clair;
}

QColor Jeton::couleur(qreal opacite) const
{
    QColor resultat = couleur();
    resultat.setAlphaF(resultat.alphaF() * float(opacite));
    return resultat;
}

// Each colour is built on first use (thread-safe statics) and shared.
#define VALTO_JETON(nom, clair, sombre)                                                                      \
    const Jeton& nom()                                                                                       \
    {                                                                                                        \
        static const Jeton jeton(u##clair, u##sombre);                                                       \
        return jeton;                                                                                        \
    }

namespace Couleurs {
VALTO_JETON(fondPage, "#fafaf9", "#1f1f1f")
VALTO_JETON(surface, "#f3f1ec", "#2b2b2b")
VALTO_JETON(texte, "#111111", "#ededed")
VALTO_JETON(texteAttenue, "#5e5d5a", "#9d9d9d")
VALTO_JETON(texteDiscret, "#6e6d69", "#8c8c8c")
VALTO_JETON(ligne, "#e9e8e3", "#3d3d3d")
VALTO_JETON(bordurePointillee, "#d6d5cf", "#4a4a4a")
VALTO_JETON(bordurePointilleeSurvol, "#5f5f5f", "#c4c4c4")
VALTO_JETON(contour, "#111111", "#ededed")
VALTO_JETON(champ, "#ffffff", "#2b2b2b")
VALTO_JETON(surfaceSurvol, "#f3f2ee", "#353535")
VALTO_JETON(remplissageFort, "#1f1f1f", "#ededed")
VALTO_JETON(texteSurFort, "#fafaf9", "#1f1f1f")
VALTO_JETON(succes, "#1a8b3c", "#4ade80")
VALTO_JETON(succesTeinte, "#ecf6ee", "#14241b")
VALTO_JETON(avertissement, "#a06b00", "#f5b347")
VALTO_JETON(avertissementTeinte, "#fbf2dc", "#2a1f0e")
VALTO_JETON(danger, "#b22424", "#f87171")
VALTO_JETON(dangerTeinte, "#fbeaea", "#2a1414")
VALTO_JETON(progression, "#6d28d9", "#c4b5fd")
VALTO_JETON(progressionTeinte, "#ede9fe", "#2e2547")
} // namespace Couleurs
