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
class QStackedLayout;
class Libelle;
class Symbole;
class ValtoBadge;

// One entry of the history: title, details and status; under the pointer or with the keyboard's focus, the
// status gives way to the row's actions and the details to the status line. From the keyboard: Enter copies
// the link, the menu key or Shift+F10 opens the row's menu, Delete asks to delete.
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
    // Hovered, focused or edited: actions instead of the indicator, the status line instead of the details.
    void setActionsVisibles(bool visibles);
    // "Téléchargé le … · 3×": the status in words.
    QString ligneStatut() const;
    // Details, expiry and status in one sentence, for screen readers.
    QString descriptionAccessible() const;
    bool anneauVisible() const { return hasFocus() && m_focusClavier; }
    void setCopie(bool copie);

    // Its margins and the action buttons: no row is lower.
    static constexpr int margeVerticale = 8;
    static constexpr int tailleAction = 28;
    static constexpr int hauteurMinimale = 2 * margeVerticale + tailleAction;

    // The row's menu under its title, its first entry active, as a menu opened from the keyboard.
    void ouvrirMenuAuClavier();

    // "1 élément · 999 o": the count and the size.
    static QString detail(const Transfert& transfert);

Q_SIGNALS:
    void survolChange(bool dedans);
    // The keyboard brought the focus in (true) or it left (false).
    void focusChange(bool dedans);
    void actionDemandee(ActionLigne action);

protected:
    void enterEvent(QEnterEvent* evenement) override;
    void leaveEvent(QEvent* evenement) override;
    void contextMenuEvent(QContextMenuEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;
    void focusInEvent(QFocusEvent* evenement) override;
    void focusOutEvent(QFocusEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    QWidget* construireTexte();
    QWidget* construireCote();
    void construireActions();
    QString symboleCopie() const;
    void ouvrirMenu(MenuLigne* menu, const QPoint& position);
    MenuLigne* creerMenuContextuel();
    void appliquerTransfert();

    Transfert m_transfert;
    std::function<QDateTime()> m_maintenant;
    bool m_actionsVisibles = false;
    bool m_copie = false;
    bool m_focusClavier = false;
    Libelle* m_titre = nullptr;
    ValtoBadge* m_badge = nullptr;
    Symbole* m_cadenas = nullptr;
    QStackedLayout* m_meta = nullptr;
    Libelle* m_statut = nullptr;
    Libelle* m_detail = nullptr;
    Libelle* m_expiration = nullptr;
    QGridLayout* m_grilleCote = nullptr;
    IndicateurStatut* m_indicateur = nullptr;
    QWidget* m_actions = nullptr;
    ActionIcone* m_copier = nullptr;
    ActionIcone* m_plus = nullptr;
};
