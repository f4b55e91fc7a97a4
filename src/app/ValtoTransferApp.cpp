#include "ValtoTransferApp.h"

#include "FenetrePrincipale.h"
#include "Polices.h"
#include "SettingsView.h"
#include "api/DepuisAPI.h"

#include <QAction>
#include <QMenuBar>

using namespace Qt::StringLiterals;

ValtoTransferApp::ValtoTransferApp(Plateforme plateforme, const QString& dossierPolices)
    : m_plateforme(std::move(plateforme))
    , m_preferences(m_plateforme)
    , m_historique(m_plateforme, statsDuServeur(m_preferences))
{
    // Before any view: the design system decides once per face whether it can be used.
    PolicesEmbarquees::enregistrer(dossierPolices);
    m_fenetre = std::make_unique<FenetrePrincipale>(m_historique, m_preferences, m_plateforme);

    auto* reglages = new QAction(u"Réglages…"_s, m_fenetre.get());
    // Ctrl is ⌘ on macOS, where the role moves the entry into the application menu.
    reglages->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    reglages->setShortcutContext(Qt::ApplicationShortcut);
    reglages->setMenuRole(QAction::PreferencesRole);
    connect(reglages, &QAction::triggered, this, &ValtoTransferApp::ouvrirReglages);
    m_fenetre->addAction(reglages);
#ifdef Q_OS_MACOS
    // A menu bar without parent is the one every window of the application shares.
    m_barreMenus = std::make_unique<QMenuBar>();
    m_barreMenus->addMenu(u"Valto Transfer"_s)->addAction(reglages);
#endif
}

ValtoTransferApp::~ValtoTransferApp() = default;

void ValtoTransferApp::premierPlan()
{
    m_fenetre->premierPlan();
}

void ValtoTransferApp::ouvrirReglages()
{
    if (!m_reglages) {
        m_reglages = std::make_unique<SettingsView>(m_preferences, m_plateforme);
        m_reglages->setWindowTitle(u"Réglages"_s);
    }
    m_reglages->show();
    m_reglages->raise();
    m_reglages->activateWindow();
}
