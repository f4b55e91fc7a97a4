#pragma once

#include "MenuLigne.h"
#include "core/Plateforme.h"
#include "core/Transfert.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QWidget>

#include <optional>

class HistoryStore;
class LigneHistorique;
class MessageErreur;
class PopoverEdition;
class Preferences;
class QScrollArea;
class QSpacerItem;
class QStackedWidget;
class QVBoxLayout;
struct CorpsModification;

// The transfers sent from this computer, newest first, with their client statistics; from each row the link
// is copied or opened, the title and expiry changed, the password copied, or the transfer deleted.
class HistoryView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int dureeCopie = 1500;

    HistoryView(HistoryStore& store, Preferences& preferences, Plateforme plateforme,
                QWidget* parent = nullptr);
    ~HistoryView() override;

    // View state: which row was just copied, is being deleted, is under the pointer, is being edited.
    std::optional<QString> copie() const { return m_copie; }
    std::optional<QString> suppression() const { return m_suppression; }
    std::optional<QString> survol() const { return m_survol; }
    std::optional<QString> edition() const { return m_edition; }

    QList<LigneHistorique*> lignes() const { return m_lignes; }
    PopoverEdition* popover() const;

    // Scrolls the list until the entry with that token is in sight.
    void montrerLigne(const QString& token);

    // What a row's buttons and menus run, on the current entry with that token.
    void executer(ActionLigne action, const QString& token);

protected:
    void paintEvent(QPaintEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QWidget* construireEntete();
    QWidget* construireVide();
    QWidget* construireListe();

    qsizetype lignesVoulues() const;
    int hauteurLigne() const;
    void etendre();
    void synchroniserLignes();
    void synchroniserStats();
    void ordonnerTabulation();
    LigneHistorique* creerLigne(const Transfert& transfert);
    void appliquerEtat();
    std::optional<Transfert> entree(const QString& token) const;

    void copierLien(const Transfert& transfert);
    void ouvrir(const Transfert& transfert);
    void modifier(const Transfert& transfert);
    void demanderSuppression(const Transfert& transfert);
    void enregistrerEdition();

    QCoro::Task<> executerModification(QPointer<PopoverEdition> popover, QString token,
                                       CorpsModification corps);
    QCoro::Task<> executerSuppression(QString token);

    HistoryStore& m_store;
    Preferences& m_preferences;
    Plateforme m_plateforme;

    std::optional<QString> m_copie;
    std::optional<QString> m_suppression;
    std::optional<QString> m_survol;
    std::optional<QString> m_edition;
    std::optional<QString> m_focus;
    QPointer<PopoverEdition> m_popover;

    MessageErreur* m_message = nullptr;
    QWidget* m_rafraichir = nullptr;
    QStackedWidget* m_pile = nullptr;
    QWidget* m_vide = nullptr;
    QScrollArea* m_defilement = nullptr;
    QWidget* m_conteneurLignes = nullptr;
    QSpacerItem* m_reserve = nullptr;
    QVBoxLayout* m_colonneLignes = nullptr;
    QList<LigneHistorique*> m_lignes;
    bool m_peinte = false;
};
