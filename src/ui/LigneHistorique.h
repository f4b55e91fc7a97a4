#pragma once

#include "MenuLigne.h"
#include "core/Transfert.h"

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <optional>

class ActionIcone;
class IndicateurStatut;
class QGridLayout;
class Libelle;
class Symbole;
class ValtoBadge;

// One entry of the history: title, details and status; under the pointer, the status gives way to the
// row's actions.
class LigneHistorique final : public QWidget {
    Q_OBJECT

public:
    LigneHistorique(const Transfert& transfert, std::function<QDateTime()> maintenant,
                    QWidget* parent = nullptr);

    const Transfert& transfert() const { return m_transfert; }
    void setTransfert(const Transfert& transfert);
    void setStats(const std::optional<StatsTransfert>& stats);
    // The expiry wording depends on the time: worked out again on each call.
    void actualiserExpiration();

    bool actionsVisibles() const { return m_actionsVisibles; }
    void setActionsVisibles(bool visibles);
    void setCopie(bool copie);

    // Its margins and the action buttons: no row is lower.
    static constexpr int margeVerticale = 8;
    static constexpr int tailleAction = 28;
    static constexpr int hauteurMinimale = 2 * margeVerticale + tailleAction;

    // "1 élément · 999 o": the count and the size.
    static QString detail(const Transfert& transfert);

Q_SIGNALS:
    void survolChange(bool dedans);
    void actionDemandee(ActionLigne action);

protected:
    void enterEvent(QEnterEvent* evenement) override;
    void leaveEvent(QEvent* evenement) override;
    void contextMenuEvent(QContextMenuEvent* evenement) override;

private:
    QWidget* construireTexte();
    QWidget* construireCote();
    void construireActions();
    QString symboleCopie() const;
    void ouvrirMenu(MenuLigne* menu, const QPoint& position);
    void appliquerTransfert();

    Transfert m_transfert;
    std::function<QDateTime()> m_maintenant;
    bool m_actionsVisibles = false;
    bool m_copie = false;
    Libelle* m_titre = nullptr;
    ValtoBadge* m_badge = nullptr;
    Symbole* m_cadenas = nullptr;
    Libelle* m_detail = nullptr;
    Libelle* m_expiration = nullptr;
    QGridLayout* m_grilleCote = nullptr;
    IndicateurStatut* m_indicateur = nullptr;
    QWidget* m_actions = nullptr;
    ActionIcone* m_copier = nullptr;
    ActionIcone* m_plus = nullptr;
};
