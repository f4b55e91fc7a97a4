#include "CompareDropZoneView.h"

#include "Emplacement.h"
#include "design/Couleurs.h"
#include "design/Symbole.h"

#include <QHBoxLayout>

using namespace Qt::StringLiterals;

CompareDropZoneView::CompareDropZoneView(QWidget* parent)
    : QWidget(parent)
    , m_avant(new Emplacement(u"Avant"_s, u"l’ancienne version"_s, this))
    , m_apres(new Emplacement(u"Après"_s, u"la nouvelle version"_s, this))
{
    m_avant->setObjectName(u"avant"_s);
    m_apres->setObjectName(u"apres"_s);
    auto* rangee = new QHBoxLayout(this);
    rangee->setContentsMargins(0, 0, 0, 0);
    rangee->setSpacing(10);
    rangee->addWidget(m_avant, 1);
    rangee->addWidget(new Symbole(u"arrow.left.arrow.right"_s, 14, Couleurs::texteDiscret(), this));
    rangee->addWidget(m_apres, 1);
    m_avant->surDepot = [this](const QStringList& chemins) { recevoir(0, chemins); };
    m_apres->surDepot = [this](const QStringList& chemins) { recevoir(1, chemins); };
    connect(m_avant, &Emplacement::urlChange, this, &CompareDropZoneView::remettreSiComplet);
    connect(m_apres, &Emplacement::urlChange, this, &CompareDropZoneView::remettreSiComplet);
}

std::optional<QString> CompareDropZoneView::urlAvant() const
{
    return m_avant->url();
}

std::optional<QString> CompareDropZoneView::urlApres() const
{
    return m_apres->url();
}

void CompareDropZoneView::recevoir(int index, const QStringList& chemins)
{
    const QStringList gardes = Emplacement::acceptables(chemins);
    if (gardes.isEmpty()) {
        return;
    }
    Emplacement* receveur = index == 0 ? m_avant : m_apres;
    Emplacement* autre = index == 0 ? m_apres : m_avant;
    // Whether the other slot takes the second file depends on how it was before this drop.
    const bool autreVide = !autre->url();
    {
        const QSignalBlocker sansRemise(receveur);
        receveur->setUrl(gardes.first());
    }
    if (autreVide && gardes.size() > 1) {
        const QSignalBlocker sansRemise(autre);
        autre->setUrl(gardes.at(1));
    }
    remettreSiComplet();
}

void CompareDropZoneView::remettreSiComplet()
{
    const std::optional<QString> avant = m_avant->url();
    const std::optional<QString> apres = m_apres->url();
    if (!avant || !apres || *avant == *apres) {
        return;
    }
    m_avant->setUrl(std::nullopt);
    m_apres->setUrl(std::nullopt);
    if (surDepot) {
        surDepot({*avant, *apres});
    }
}
