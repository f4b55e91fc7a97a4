#include "ProgressionView.h"

#include "design/Couleurs.h"
#include "design/DSBar.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/ValtoButton.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int largeurBarreMaximale = 260;
}

ProgressionView::ProgressionView(const QString& titre, const QString& detail,
                                 std::optional<double> progression, QWidget* parent)
    : CarteEtape(14, parent)
    , m_titre(new Libelle(titre, Polices::texte(15, QFont::Medium), Couleurs::texte(), this))
    , m_barre(new DSBar(progression, this))
    , m_detail(new Libelle(detail, Polices::mono(11), Couleurs::texteAttenue(), this))
{
    m_titre->setObjectName(u"titre"_s);
    m_barre->setObjectName(u"barre"_s);
    m_detail->setObjectName(u"detail"_s);
    m_barre->setMaximumWidth(largeurBarreMaximale);
    m_barre->setAccessibleName(titre);
    ajouter(m_titre);
    // Centred at its preferred width, which is its widest.
    ajouter(m_barre);
    ajouter(m_detail);
}

void ProgressionView::setDetail(const QString& detail)
{
    m_detail->setText(detail);
}

void ProgressionView::setProgression(std::optional<double> progression)
{
    m_barre->setValue(progression);
}

void ProgressionView::proposerAnnulation(std::function<void()> annuler)
{
    auto* bouton = new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost, ValtoButton::Taille::small, this);
    bouton->setObjectName(u"annuler"_s);
    bouton->setAction(std::move(annuler));
    ajouter(bouton, 2);
}
