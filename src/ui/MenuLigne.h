#pragma once

#include <QMenu>

// What the user can do with one history entry.
enum class ActionLigne { copierLien, ouvrir, modifier, copierMotDePasse, supprimer };

// The entries of a history row's menus, in their order; "Supprimer" is drawn in the danger colour.
class MenuLigne final : public QMenu {
    Q_OBJECT

public:
    MenuLigne(bool avecCopierLien, bool avecMotDePasse, QWidget* parent = nullptr);

Q_SIGNALS:
    void choisie(ActionLigne action);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    void ajouter(const QString& texte, ActionLigne action);

    QAction* m_destructive = nullptr;
};
