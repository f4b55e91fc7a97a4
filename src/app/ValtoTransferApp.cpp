#include "ValtoTransferApp.h"

#include "FenetrePrincipale.h"
#include "Polices.h"
#include "api/DepuisAPI.h"

ValtoTransferApp::ValtoTransferApp(Plateforme plateforme, const QString& dossierPolices)
    : m_plateforme(std::move(plateforme))
    , m_preferences(m_plateforme)
    , m_historique(m_plateforme, statsDuServeur(m_preferences))
{
    // Before any view: the design system decides once per face whether it can be used.
    PolicesEmbarquees::enregistrer(dossierPolices);
    m_fenetre = std::make_unique<FenetrePrincipale>(m_historique, m_preferences, m_plateforme);
}

ValtoTransferApp::~ValtoTransferApp() = default;

void ValtoTransferApp::premierPlan()
{
    m_fenetre->premierPlan();
}
