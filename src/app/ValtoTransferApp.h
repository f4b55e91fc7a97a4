#pragma once

#include "core/HistoryStore.h"
#include "core/Plateforme.h"
#include "core/Preferences.h"

#include <QObject>

#include <memory>

class FenetrePrincipale;

// The application: the one history store of the process, the typefaces, the main window.
class ValtoTransferApp final : public QObject {
    Q_OBJECT

public:
    // `dossierPolices` holds the typeface files that ship with the application.
    ValtoTransferApp(Plateforme plateforme, const QString& dossierPolices);
    ~ValtoTransferApp() override;

    HistoryStore& historique() { return m_historique; }
    FenetrePrincipale& fenetre() const { return *m_fenetre; }

    void premierPlan();

private:
    const Plateforme m_plateforme;
    Preferences m_preferences;
    HistoryStore m_historique;
    std::unique_ptr<FenetrePrincipale> m_fenetre;
};
