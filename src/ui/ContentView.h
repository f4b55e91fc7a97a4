#pragma once

#include "core/Plateforme.h"
#include "flow/Etape.h"
#include "flow/Mode.h"

#include <QCoro/QCoroTask>
#include <QWidget>

#include <optional>
#include <utility>

class HistoryStore;
class HistoryView;
class MiseAJourBanniere;
class Preferences;
class ProgressionView;
class TransferFlow;
class UpdateChecker;
class ValtoSegmented;
class ZoneEtape;

// The main window's content: update banner, lockup, tab switch, the screen of the selected flow's
// step, and the history. Owns both flows and the update checker for as long as it lives.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    enum class Onglet { transfert, compare };
    Q_ENUM(Onglet)

    static QString libelle(Onglet onglet);

    ContentView(HistoryStore& historique, Preferences& preferences, const Plateforme& plateforme,
                QWidget* parent = nullptr);
    ~ContentView() override;

    Onglet onglet() const { return m_onglet; }
    void setOnglet(Onglet onglet);

    TransferFlow& flowTransfert() const { return *m_flowTransfert; }
    TransferFlow& flowCompare() const { return *m_flowCompare; }
    UpdateChecker& updates() const { return *m_updates; }
    TransferFlow& flowCourant() const;
    // A transfer is under way (or its result still shown) in either tab.
    bool occupe() const;

    // The screen now shown in the step area.
    QWidget* ecran() const;
    HistoryView& historique() const { return *m_historiqueVue; }

Q_SIGNALS:
    // The header's settings button (where no application menu offers them).
    void reglagesDemandes();

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;

private:
    QCoro::Task<> demarrer();
    void installerSiInactif();
    void suivre(TransferFlow& flow);
    // A tab switch shows the other flow's screen at once; a step change fades.
    void afficherEtape(bool changementDOnglet = false);
    QWidget* construireEntete();
    void ordonnerTabulation();
    QWidget* creerEcran(TransferFlow& flow);
    void actualiserCopie();

    HistoryStore& m_historique;
    Preferences& m_preferences;
    const Plateforme m_plateforme;
    Onglet m_onglet = Onglet::transfert;
    TransferFlow* m_flowTransfert;
    TransferFlow* m_flowCompare;
    UpdateChecker* m_updates;

    MiseAJourBanniere* m_banniere;
    QWidget* m_entete = nullptr;
    ValtoSegmented* m_onglets;
    ZoneEtape* m_zoneEtape;
    HistoryView* m_historiqueVue;
    // What the step area shows now: the flow's mode and step; another pair means a fresh screen.
    std::optional<std::pair<Mode, Etape>> m_ecranAffiche;
    bool m_demarre = false;
    bool m_focusInitial = false;
};
