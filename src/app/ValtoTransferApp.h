#pragma once

#include "api/EcouteEvenements.h"
#include "core/HistoryStore.h"
#include "NotificationsBureau.h"
#include "core/Plateforme.h"
#include "core/Preferences.h"
#include "AccusesReception.h"

#include <QObject>

#include <memory>

class FenetrePrincipale;
class QMenuBar;
class SettingsView;

// The application: the one history store of the process, the typefaces, the main window, the settings
// window opened by the platform's settings command (Ctrl+, — ⌘, on macOS), and the server's receipts
// listened to all along.
class ValtoTransferApp final : public QObject {
    Q_OBJECT

public:
    // `dossierPolices` holds the typeface files that ship with the application.
    ValtoTransferApp(Plateforme plateforme, const QString& dossierPolices);
    ~ValtoTransferApp() override;

    HistoryStore& historique() { return m_historique; }
    EcouteEvenements& ecoute() { return m_ecoute; }
    FenetrePrincipale& fenetre() const { return *m_fenetre; }

    void premierPlan();
    // The main window in front, scrolled to the entry with that token.
    void montrerTransfert(const QString& token);
    // Opens the settings window, or brings it forward.
    void ouvrirReglages();
    // Null until first opened.
    SettingsView* reglages() const { return m_reglages.get(); }

private:
    const Plateforme m_plateforme;
    Preferences m_preferences;
    HistoryStore m_historique;
    NotificationsBureau m_notifications;
    AccusesReception m_accuses;
    EcouteEvenements m_ecoute;
    std::unique_ptr<FenetrePrincipale> m_fenetre;
    std::unique_ptr<SettingsView> m_reglages;
#ifdef Q_OS_MACOS
    std::unique_ptr<QMenuBar> m_barreMenus;
#endif
};
