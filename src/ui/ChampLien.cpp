#include "ChampLien.h"

#include "design/ChampSaisie.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Polices.h"

#include <QPainter>

namespace {
constexpr int margeHorizontale = 12;
constexpr int margeVerticale = 9;
constexpr qreal rayon = 8;
} // namespace

ChampLien::ChampLien(const QString& lien, QWidget* parent)
    : QLineEdit(parent)
    , m_lien(lien)
{
    setReadOnly(true);
    setFrame(false);
    setFont(Polices::mono(12));
    setTextMargins(margeHorizontale, margeVerticale, margeHorizontale, margeVerticale);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setAccessibleName(lien);
    ChampSaisie::suivreApparence(*this);
    afficher();
}

QSize ChampLien::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 2 * margeVerticale + 2);
}

QSize ChampLien::minimumSizeHint() const
{
    return QSize(4 * margeHorizontale, sizeHint().height());
}

void ChampLien::afficher()
{
    const int place = width() - 2 * margeHorizontale - 4;
    setText(hasFocus() ? m_lien : fontMetrics().elidedText(m_lien, Qt::ElideMiddle, place));
    setCursorPosition(0);
}

void ChampLien::focusInEvent(QFocusEvent* evenement)
{
    afficher();
    QLineEdit::focusInEvent(evenement);
}

void ChampLien::focusOutEvent(QFocusEvent* evenement)
{
    QLineEdit::focusOutEvent(evenement);
    afficher();
}

void ChampLien::resizeEvent(QResizeEvent* evenement)
{
    QLineEdit::resizeEvent(evenement);
    if (!hasFocus()) {
        afficher();
    }
}

void ChampLien::paintEvent(QPaintEvent* evenement)
{
    {
        QPainter peintre(this);
        Formes::remplir(peintre, rect(), rayon, Couleurs::champ().couleur());
        Formes::bordureInterieure(peintre, rect(), rayon, Couleurs::ligne().couleur());
    }
    QLineEdit::paintEvent(evenement);
}
