#pragma once

#include <QWidget>

class ContentView;
class HistoryStore;
class Preferences;
struct Plateforme;

// The main window: 460 wide, at least 540 high, only its height can change.
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

private:
    ContentView* m_contenu;
};
