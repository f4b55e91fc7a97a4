#include "MenuLigne.h"

#include "design/Couleurs.h"

#include <QStyleOptionMenuItem>

using namespace Qt::StringLiterals;

MenuLigne::MenuLigne(bool avecCopierLien, bool avecMotDePasse, QWidget* parent)
    : QMenu(parent)
{
    if (avecCopierLien) {
        ajouter(u"Copier le lien"_s, ActionLigne::copierLien);
    }
    ajouter(u"Ouvrir dans le navigateur"_s, ActionLigne::ouvrir);
    ajouter(u"Modifier…"_s, ActionLigne::modifier);
    if (avecMotDePasse) {
        ajouter(u"Copier le mot de passe"_s, ActionLigne::copierMotDePasse);
    }
    ajouter(u"Supprimer"_s, ActionLigne::supprimer);
    m_destructive = actions().constLast();
}

void MenuLigne::ajouter(const QString& texte, ActionLigne action)
{
    connect(addAction(texte), &QAction::triggered, this, [this, action] { Q_EMIT choisie(action); });
}

void MenuLigne::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    if (action == m_destructive) {
        option->palette.setColor(QPalette::Text, Couleurs::danger().couleur());
        option->palette.setColor(QPalette::ButtonText, Couleurs::danger().couleur());
        option->palette.setColor(QPalette::WindowText, Couleurs::danger().couleur());
    }
}
