#pragma once

#include <QWidget>

#include <functional>

class ContentView;
class HistoryStore;
class Preferences;
struct Plateforme;

// The main window: 460 wide, at least 540 high, only its height can change. Closing it while a transfer
// copies or registers asks first; abandoning stops the transfer, and the application ends once its work
// is cleaned up.
class FenetrePrincipale final : public QWidget {
    Q_OBJECT

public:
    static constexpr int largeur = 460;
    static constexpr int hauteurMinimale = 540;
    static constexpr int hauteurInitiale = 720;

    FenetrePrincipale(HistoryStore& historique, Preferences& preferences, const Plateforme& plateforme,
                      QWidget* parent = nullptr);

    ContentView& contenu() const { return *m_contenu; }
    // Shows the window, restored if minimised, raised and active.
    void premierPlan();

    // Asks whether to abandon the transfer under way; true to abandon. Tests answer in its place.
    std::function<bool(QWidget*)> confirmerAbandon;

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    bool transfertEnCours() const;
    bool travailEnCours() const;
    void terminerQuandInactif();

    ContentView* m_contenu;
    const std::function<void()> m_terminer;
    bool m_abandonne = false;
};
