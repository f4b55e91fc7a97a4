#include "ConfirmationAbandon.h"

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

Libelle* texteLarge(const QString& texte, const QFont& police, const Jeton& couleur, QWidget* parent)
{
    auto* libelle = new Libelle(texte, police, couleur, parent);
    libelle->setWordWrap(true);
    libelle->setFixedWidth(largeurTexte);
    return libelle;
}
} // namespace

ConfirmationAbandon::ConfirmationAbandon(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(u"Transfert en cours"_s);
    setModal(true);
    suivreApparence(this);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(24, 24, 24, 20);
    colonne->setSpacing(10);
    colonne->setSizeConstraint(QLayout::SetFixedSize);

    auto* entete = texteLarge(u"Abandonner le transfert en cours ?"_s, Polices::texte(15, QFont::Medium),
                              Couleurs::texte(), this);
    entete->setObjectName(u"titre"_s);
    colonne->addWidget(entete);
    auto* message = texteLarge(u"Il s'arrête, aucun lien n'est créé et les fichiers déjà copiés sur le NAS "
                               u"sont supprimés. Les originaux ne sont pas touchés."_s,
                               Polices::texte(13), Couleurs::texteAttenue(), this);
    message->setObjectName(u"message"_s);
    colonne->addWidget(message);

    auto* boutons = new QHBoxLayout;
    boutons->setSpacing(8);
    boutons->addStretch(1);
    auto* continuer =
        new ValtoButton(u"Continuer"_s, ValtoButton::Role::ghost, ValtoButton::Taille::normal, this);
    continuer->setObjectName(u"continuer"_s);
    continuer->setAction([this] { reject(); });
    auto* abandonner = new ValtoButton(u"Abandonner le transfert"_s, ValtoButton::Role::danger,
                                       ValtoButton::Taille::normal, this);
    abandonner->setObjectName(u"abandonner"_s);
    abandonner->setAction([this] { accept(); });
    boutons->addWidget(continuer);
    boutons->addWidget(abandonner);
    colonne->addSpacing(8);
    colonne->addLayout(boutons);
    // A stray Enter keeps the transfer.
    continuer->setFocus(Qt::OtherFocusReason);
}

bool ConfirmationAbandon::demander(QWidget* parent)
{
    ConfirmationAbandon dialogue(parent);
    return dialogue.exec() == QDialog::Accepted;
}

void ConfirmationAbandon::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
}
