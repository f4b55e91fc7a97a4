#include "FenetrePrincipale.h"

#include "ContentView.h"

#include <QVBoxLayout>

FenetrePrincipale::FenetrePrincipale(HistoryStore& historique, Preferences& preferences,
                                     const Plateforme& plateforme, QWidget* parent)
    : QWidget(parent)
    , m_contenu(new ContentView(historique, preferences, plateforme))
{
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->addWidget(m_contenu);
    setMinimumSize(largeur, hauteurMinimale);
    setMaximumWidth(largeur);
    resize(largeur, hauteurInitiale);
}

void FenetrePrincipale::premierPlan()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
