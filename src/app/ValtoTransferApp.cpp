#include "ValtoTransferApp.h"

#include "ContentView.h"
#include "FenetrePrincipale.h"
#include "HistoryView.h"
#include "Polices.h"
#include "SettingsView.h"
#include "api/DepuisAPI.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

ValtoTransferApp::ValtoTransferApp(Plateforme plateforme, const QString& dossierPolices)
    : m_plateforme(std::move(plateforme))
    , m_preferences(m_plateforme)
    , m_historique(m_plateforme, statsDuServeur(m_preferences))
    , m_accuses(m_historique, m_preferences, m_notifications, m_plateforme)
    , m_ecoute(m_preferences)
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
    connect(&m_fenetre->contenu(), &ContentView::reglagesDemandes, this, &ValtoTransferApp::ouvrirReglages);

    // Quitting is closing the main window, so whatever it asks before closing is asked.
    auto* quitter = new QAction(u"Quitter"_s, m_fenetre.get());
    // Ctrl is ⌘ on macOS; the standard sequence is empty under some desktops.
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitter->setShortcutContext(Qt::ApplicationShortcut);
    quitter->setMenuRole(QAction::QuitRole);
    connect(quitter, &QAction::triggered, m_fenetre.get(), &QWidget::close);
    m_fenetre->addAction(quitter);
#ifdef Q_OS_MACOS
    // A menu bar without parent is the one every window of the application shares.
    m_barreMenus = std::make_unique<QMenuBar>();
    QMenu* menu = m_barreMenus->addMenu(u"Valto Transfer"_s);
    menu->addAction(reglages);
    menu->addAction(quitter);
#endif

    connect(&m_ecoute, &EcouteEvenements::transfertOuvert, &m_accuses, &AccusesReception::surOuverture);
    connect(&m_ecoute, &EcouteEvenements::transfertTelecharge, &m_accuses,
            &AccusesReception::surTelechargement);
    connect(&m_notifications, &NotificationsBureau::activee, this, &ValtoTransferApp::montrerTransfert);
    m_ecoute.demarrer();
}

ValtoTransferApp::~ValtoTransferApp() = default;

void ValtoTransferApp::premierPlan()
{
    m_fenetre->premierPlan();
}

void ValtoTransferApp::montrerTransfert(const QString& token)
{
    premierPlan();
    m_fenetre->contenu().historique().montrerLigne(token);
}

void ValtoTransferApp::ouvrirReglages()
{
    // Each opening starts fresh: no earlier test result, scrolled to the top.
    if (!m_reglages || !m_reglages->isVisible()) {
        m_reglages = std::make_unique<SettingsView>(m_preferences, m_plateforme);
        m_reglages->setWindowTitle(u"Réglages"_s);
        // Closing the main window quits, even with this one open.
        m_reglages->setAttribute(Qt::WA_QuitOnClose, false);
        connect(m_reglages.get(), &SettingsView::preferenceModifiee, this, [this](const QString& cle) {
            if (cle == Preferences::cleApiBaseURL || cle == Preferences::cleApiKey) {
                m_ecoute.demarrer();
            }
        });
    }
    m_reglages->show();
    m_reglages->raise();
    m_reglages->activateWindow();
}
