#include "ValtoBadge.h"

#include "ControleValto.h"
#include "Couleurs.h"
#include "Formes.h"
#include "Icones.h"
#include "Polices.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr qreal margeHorizontale = 7;
constexpr qreal margeVerticale = 2;
constexpr qreal rayon = 4;
constexpr qreal espacement = 5;
constexpr qreal taillePolice = 10;
constexpr qreal tailleSymbole = 9;

ValtoBadge::Teintes teintesAccent(const Jeton& accent, const Jeton& teinte)
{
    return {accent.couleur(), teinte.couleur(), accent.couleur(0.2)};
}
} // namespace

ValtoBadge::ValtoBadge(const QString& texte, Tone tone, const QString& systemImage, QWidget* parent)
    : QWidget(parent)
    , m_tone(tone)
    , m_systemImage(systemImage)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    suivreApparence(this);
    setTexte(texte);
}

void ValtoBadge::setTexte(const QString& texte)
{
    m_texte = texte;
    setAccessibleName(texte);
    updateGeometry();
    update();
}

void ValtoBadge::setTone(Tone tone)
{
    m_tone = tone;
    update();
}

ValtoBadge::Teintes ValtoBadge::teintes(Tone tone)
{
    using namespace Couleurs;
    switch (tone) {
    case Tone::neutral:
        return {texteAttenue().couleur(), fondPage().couleur(), ligne().couleur()};
    case Tone::success:
        return teintesAccent(succes(), succesTeinte());
    case Tone::warning:
        return teintesAccent(avertissement(), avertissementTeinte());
    case Tone::danger:
        return teintesAccent(danger(), dangerTeinte());
    case Tone::progress:
        return teintesAccent(progression(), progressionTeinte());
    case Tone::strong:
        return {Couleurs::texte().couleur(), surfaceSurvol().couleur(), ligne().couleur()};
    case Tone::muted:
        return {texteDiscret().couleur(), fondPage().couleur(), ligne().couleur()};
    }
    return {};
}

QSize ValtoBadge::sizeHint() const
{
    const QFontMetricsF mesures(Polices::capitalesEspacees(taillePolice));
    qreal largeur = mesures.horizontalAdvance(Polices::majuscules(m_texte));
    if (!m_systemImage.isEmpty()) {
        largeur += tailleSymbole + espacement;
    }
    return QSize(qCeil(largeur + 2 * margeHorizontale), qCeil(mesures.height() + 2 * margeVerticale));
}

void ValtoBadge::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const Teintes couleurs = teintes(m_tone);
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, couleurs.fond);
    Formes::bordureInterieure(peintre, forme, rayon, couleurs.bordure);
    const QFont police = Polices::capitalesEspacees(taillePolice);
    qreal x = margeHorizontale;
    if (!m_systemImage.isEmpty()) {
        Icones::dessiner(peintre, QRectF(x, 0, tailleSymbole, forme.height()), m_systemImage, tailleSymbole,
                         couleurs.texte);
        x += tailleSymbole + espacement;
    }
    peintre.setFont(police);
    peintre.setPen(couleurs.texte);
    peintre.drawText(QRectF(x, 0, forme.width() - x, forme.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     Polices::majuscules(m_texte));
}
