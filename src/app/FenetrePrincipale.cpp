#include "FenetrePrincipale.h"

#include "ConfirmationAbandon.h"
#include "ContentView.h"
#include "core/Plateforme.h"
#include "flow/TransferFlow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

FenetrePrincipale::FenetrePrincipale(HistoryStore& historique, Preferences& preferences,
                                     const Plateforme& plateforme, QWidget* parent)
    : QWidget(parent)
    , confirmerAbandon(&ConfirmationAbandon::demander)
    , m_contenu(new ContentView(historique, preferences, plateforme))
    , m_terminer(plateforme.terminer)
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

void FenetrePrincipale::closeEvent(QCloseEvent* evenement)
{
    if (m_abandonne) {
        evenement->setAccepted(!travailEnCours());
        return;
    }
    if (transfertEnCours() && !confirmerAbandon(this)) {
        evenement->ignore();
        return;
    }
    if (!travailEnCours()) {
        evenement->accept();
        return;
    }
    // The copy stops within a chunk and the folder goes on a worker: the window leaves now, the
    // process once that is done, never later with hidden work.
    m_abandonne = true;
    evenement->ignore();
    hide();
    m_contenu->flowTransfert().reinitialiser();
    m_contenu->flowCompare().reinitialiser();
    for (TransferFlow* flow : {&m_contenu->flowTransfert(), &m_contenu->flowCompare()}) {
        connect(flow, &TransferFlow::travailTermine, this, &FenetrePrincipale::terminerQuandInactif);
    }
    terminerQuandInactif();
}

bool FenetrePrincipale::transfertEnCours() const
{
    return m_contenu->flowTransfert().transfertEnCours() || m_contenu->flowCompare().transfertEnCours();
}

bool FenetrePrincipale::travailEnCours() const
{
    return m_contenu->flowTransfert().travailEnCours() || m_contenu->flowCompare().travailEnCours();
}

void FenetrePrincipale::terminerQuandInactif()
{
    if (!travailEnCours() && m_terminer) {
        m_terminer();
    }
}
