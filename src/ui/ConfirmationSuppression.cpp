#include "ConfirmationSuppression.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/ValtoButton.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int largeurTexte = 320;
}

ConfirmationSuppression::ConfirmationSuppression(const QString& titreTransfert, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(u"Supprimer le transfert"_s);
    setModal(true);
    suivreApparence(this);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(24, 24, 24, 20);
    colonne->setSpacing(10);
    colonne->setSizeConstraint(QLayout::SetFixedSize);

    auto* entete =
        new Libelle(titre(titreTransfert), Polices::texte(15, QFont::Medium), Couleurs::texte(), this);
    entete->setObjectName(u"titre"_s);
    entete->setWordWrap(true);
    entete->setFixedWidth(largeurTexte);
    colonne->addWidget(entete);
    auto* message =
        new Libelle(u"Le lien sera désactivé. Seuls les fichiers copiés dans Valto Transferts "
                    u"sont supprimés — les originaux référencés sur le NAS ne sont pas touchés."_s,
                    Polices::texte(13), Couleurs::texteAttenue(), this);
    message->setObjectName(u"message"_s);
    message->setWordWrap(true);
    message->setFixedWidth(largeurTexte);
    colonne->addWidget(message);

    auto* boutons = new QHBoxLayout;
    boutons->setSpacing(8);
    boutons->addStretch(1);
    auto* annuler =
        new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost, ValtoButton::Taille::normal, this);
    annuler->setObjectName(u"annuler"_s);
    annuler->setAction([this] { reject(); });
    auto* supprimer = new ValtoButton(u"Supprimer le transfert"_s, ValtoButton::Role::danger,
                                      ValtoButton::Taille::normal, this);
    supprimer->setObjectName(u"supprimer"_s);
    supprimer->setAction([this] { accept(); });
    boutons->addWidget(annuler);
    boutons->addWidget(supprimer);
    colonne->addSpacing(8);
    colonne->addLayout(boutons);
    // Enter and Space answer the focused button: a stray key press cancels rather than deletes.
    annuler->setFocus(Qt::OtherFocusReason);
}

QString ConfirmationSuppression::titre(const QString& titreTransfert)
{
    return u"Supprimer « "_s + titreTransfert + u" » ?"_s;
}

void ConfirmationSuppression::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
}
