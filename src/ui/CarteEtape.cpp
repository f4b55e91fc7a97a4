#include "CarteEtape.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int marge = 20;
constexpr int hauteurMinimale = 180;
constexpr qreal rayon = 14;
} // namespace

CarteEtape::CarteEtape(int espacement, QWidget* parent)
    : QWidget(parent)
    , m_colonne(new QVBoxLayout(this))
{
    m_colonne->setContentsMargins(marge, marge, marge, marge);
    m_colonne->setSpacing(espacement);
    // The stretches above and below centre the content vertically.
    m_colonne->addStretch();
    m_colonne->addStretch();
    setMinimumHeight(hauteurMinimale);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    suivreApparence(this);
}

void CarteEtape::ajouter(QWidget* element, int espaceAvant)
{
    if (espaceAvant > 0) {
        m_colonne->insertSpacing(m_colonne->count() - 1, espaceAvant);
    }
    m_colonne->insertWidget(m_colonne->count() - 1, element, 0, Qt::AlignHCenter);
}

void CarteEtape::ajouterPleineLargeur(QWidget* element, int espaceAvant)
{
    if (espaceAvant > 0) {
        m_colonne->insertSpacing(m_colonne->count() - 1, espaceAvant);
    }
    m_colonne->insertWidget(m_colonne->count() - 1, element);
}

void CarteEtape::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    Formes::remplir(peintre, rect(), rayon, Couleurs::surface().couleur());
}
