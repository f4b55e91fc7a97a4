#include "ErreurView.h"

#include "MarqueRonde.h"
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/ValtoPrimaryButton.h"

using namespace Qt::StringLiterals;

ErreurView::ErreurView(const QString& message, QWidget* parent)
    : CarteEtape(10, parent)
{
    ajouter(new MarqueRonde(u"xmark"_s, Couleurs::dangerTeinte(), Couleurs::danger(), this));
    ajouter(
        new Libelle(u"Le transfert a échoué"_s, Polices::texte(15, QFont::Medium), Couleurs::texte(), this));
    auto* texte = new Libelle(message, Polices::texte(11), Couleurs::texteAttenue(), this);
    texte->setObjectName(u"message"_s);
    texte->setWordWrap(true);
    texte->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ajouterPleineLargeur(texte);
    auto* reessayer = new ValtoPrimaryButton(u"Réessayer"_s);
    reessayer->setObjectName(u"reessayer"_s);
    reessayer->setAction([this] {
        if (surRetour) {
            surRetour();
        }
    });
    ajouter(reessayer, 6);
}
