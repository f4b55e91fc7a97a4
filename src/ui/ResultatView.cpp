#include "ResultatView.h"

#include "ChampLien.h"
#include "MarqueRonde.h"
#include "core/Affichage.h"
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/ValtoButton.h"
#include "design/ValtoPrimaryButton.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString copie = u"Copié ✓"_s;
const QString titreMotDePasse = u"Copier le mot de passe"_s;
const QString titreLien = u"Recopier le lien"_s;
} // namespace

ResultatView::ResultatView(const Transfert& transfert, const QString& nouveauLibelle, QWidget* parent)
    : CarteEtape(10, parent)
    , m_transfert(transfert)
    , m_recopierLien(new ValtoPrimaryButton(titreLien))
{
    ajouter(new MarqueRonde(u"checkmark"_s, Couleurs::succesTeinte(), Couleurs::succes(), this));
    auto* titre = new Libelle(u"Lien copié dans le presse-papier"_s, Polices::texte(15, QFont::Medium),
                              Couleurs::texte(), this);
    ajouter(titre, 2);
    auto* lien = new ChampLien(transfert.url, this);
    lien->setObjectName(u"lien"_s);
    ajouterPleineLargeur(lien);
    auto* meta = new Libelle(ligneMeta(transfert), Polices::texte(11), Couleurs::texteAttenue(), this);
    ajouter(meta);

    auto* boutons = new QWidget(this);
    auto* rangee = new QHBoxLayout(boutons);
    rangee->setContentsMargins(0, 0, 0, 0);
    rangee->setSpacing(8);
    if (transfert.motDePasse) {
        m_copierMotDePasse = new ValtoButton(titreMotDePasse);
        m_copierMotDePasse->setObjectName(u"copierMotDePasse"_s);
        m_copierMotDePasse->setAction([this] { copier(*m_transfert.motDePasse, &ResultatView::m_mdpCopie); });
        rangee->addWidget(m_copierMotDePasse);
    }
    m_recopierLien->setObjectName(u"recopierLien"_s);
    m_recopierLien->setAction([this] { copier(m_transfert.url, &ResultatView::m_reCopie); });
    rangee->addWidget(m_recopierLien);
    ajouter(boutons, 6);

    auto* nouveau = new ValtoButton(nouveauLibelle, ValtoButton::Role::ghost, ValtoButton::Taille::small);
    nouveau->setObjectName(u"nouveau"_s);
    nouveau->setAction([this] {
        if (surNouveau) {
            surNouveau();
        }
    });
    ajouter(nouveau, 2);
}

QString ResultatView::ligneMeta(const Transfert& transfert)
{
    QString ligne =
        transfert.expireLe ? u"Expire le "_s + formaterDate(*transfert.expireLe) : u"Lien permanent"_s;
    if (transfert.protege) {
        ligne += u" · protégé par mot de passe"_s;
    }
    return ligne;
}

void ResultatView::copier(const QString& texte, bool ResultatView::*drapeau)
{
    QClipboard* pressePapier = QGuiApplication::clipboard();
    pressePapier->clear();
    pressePapier->setText(texte);
    setDrapeau(drapeau, true);
    // Each press has its own wait; the first to end brings the title back. Bound to this screen: once it is
    // gone the wait ends without effect.
    QTimer::singleShot(dureeCopie, Qt::PreciseTimer, this, [this, drapeau] { setDrapeau(drapeau, false); });
}

void ResultatView::setDrapeau(bool ResultatView::*drapeau, bool valeur)
{
    this->*drapeau = valeur;
    actualiserTitres();
}

void ResultatView::actualiserTitres()
{
    m_recopierLien->setTitre(m_reCopie ? copie : titreLien);
    if (m_copierMotDePasse) {
        m_copierMotDePasse->setTitre(m_mdpCopie ? copie : titreMotDePasse);
    }
}
