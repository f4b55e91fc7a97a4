#include "DialogueConfirmation.h"

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

Libelle* texteLarge(const QString& texte, const QFont& police, const Jeton& couleur, const QString& nom,
                    QWidget* parent)
{
    auto* libelle = new Libelle(texte, police, couleur, parent);
    libelle->setObjectName(nom);
    libelle->setWordWrap(true);
    libelle->setFixedWidth(largeurTexte);
    return libelle;
}

} // namespace

DialogueConfirmation::DialogueConfirmation(const QString& titreFenetre, const QString& question,
                                           const QString& explication, const Bouton& retour,
                                           const Bouton& confirmation, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(titreFenetre);
    setModal(true);
    suivreApparence(this);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(24, 24, 24, 20);
    colonne->setSpacing(10);
    colonne->setSizeConstraint(QLayout::SetFixedSize);
    colonne->addWidget(
        texteLarge(question, Polices::texte(15, QFont::Medium), Couleurs::texte(), u"titre"_s, this));
    colonne->addWidget(
        texteLarge(explication, Polices::texte(13), Couleurs::texteAttenue(), u"message"_s, this));

    auto* boutons = new QHBoxLayout;
    boutons->setSpacing(8);
    boutons->addStretch(1);
    auto* boutonRetour = new ValtoButton(retour.texte, ValtoButton::Role::ghost, ValtoButton::Taille::normal, this);
    boutonRetour->setObjectName(retour.nom);
    boutonRetour->setAction([this] { reject(); });
    auto* boutonConfirmation =
        new ValtoButton(confirmation.texte, ValtoButton::Role::danger, ValtoButton::Taille::normal, this);
    boutonConfirmation->setObjectName(confirmation.nom);
    boutonConfirmation->setAction([this] { accept(); });
    boutons->addWidget(boutonRetour);
    boutons->addWidget(boutonConfirmation);
    colonne->addSpacing(8);
    colonne->addLayout(boutons);
    boutonRetour->setFocus(Qt::OtherFocusReason);
}

void DialogueConfirmation::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
}
