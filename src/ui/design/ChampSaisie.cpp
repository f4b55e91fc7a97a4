#include "ChampSaisie.h"

#include "Apparence.h"
#include "Couleurs.h"
#include "Formes.h"
#include "Polices.h"

#include <QPainter>

namespace {
constexpr int hauteur = 34;
constexpr int marge = 12;
constexpr qreal rayon = 8;
} // namespace

ChampSaisie::ChampSaisie(const QString& placeholder, QWidget* parent)
    : QLineEdit(parent)
{
    setPlaceholderText(placeholder);
    setFrame(false);
    setFont(Polices::texte(13));
    setTextMargins(marge, 0, marge, 0);
    setFixedHeight(hauteur);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    suivreApparence(*this);
}

QSize ChampSaisie::sizeHint() const
{
    return QSize(QLineEdit::sizeHint().width(), hauteur);
}

void ChampSaisie::paintEvent(QPaintEvent* evenement)
{
    {
        QPainter peintre(this);
        const QRectF forme = rect();
        Formes::remplir(peintre, forme, rayon, Couleurs::champ().couleur());
        if (hasFocus()) {
            Formes::anneauFocus(peintre, forme, rayon);
        } else {
            Formes::bordureInterieure(peintre, forme, rayon, Couleurs::ligne().couleur());
        }
    }
    QLineEdit::paintEvent(evenement);
}

void ChampSaisie::suivreApparence(QLineEdit& champ)
{
    const auto appliquer = [&champ] {
        QPalette palette = champ.palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        palette.setColor(QPalette::Text, Couleurs::texte().couleur());
        palette.setColor(QPalette::PlaceholderText, Couleurs::texteDiscret().couleur());
        palette.setColor(QPalette::Highlight, Couleurs::progressionTeinte().couleur());
        palette.setColor(QPalette::HighlightedText, Couleurs::texte().couleur());
        champ.setPalette(palette);
    };
    appliquer();
    QObject::connect(&Apparence::instance(), &Apparence::changee, &champ, appliquer);
}
