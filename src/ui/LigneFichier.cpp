#include "LigneFichier.h"

#include "design/ActionIcone.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/Symbole.h"
#include "design/ValtoBadge.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal rayon = 8;
}

LigneFichier::LigneFichier(const QString& chemin, bool surLeNAS, QWidget* parent)
    : QWidget(parent)
    , m_chemin(chemin)
{
    setFixedHeight(hauteur);
    suivreApparence(this);
    const QFileInfo info(chemin);
    auto* rangee = new QHBoxLayout(this);
    rangee->setContentsMargins(10, 5, 5, 5);
    rangee->setSpacing(8);
    rangee->addWidget(new Symbole(info.isDir() ? u"folder"_s : u"doc"_s, 13, Couleurs::texteAttenue(), this));
    auto* nom = new Libelle(info.fileName(), Polices::texte(13), Couleurs::texte(), this);
    nom->setEliderAuMilieu(true);
    rangee->addWidget(nom, 1);
    auto* badge = new ValtoBadge(surLeNAS ? u"Lien"_s : u"Copie"_s, ValtoBadge::Tone::neutral, {}, this);
    badge->setToolTip(surLeNAS ? u"Déjà sur le NAS — sera référencé, pas copié"_s
                               : u"Hors NAS — sera copié dans Valto Transferts"_s);
    rangee->addWidget(badge);
    auto* retirer = new ActionIcone(u"xmark"_s, u"Retirer"_s, 24, this);
    retirer->setObjectName(u"retirer"_s);
    // Read out among several rows, "Retirer" alone would not say which entry goes.
    retirer->setAccessibleName(u"Retirer « %1 »"_s.arg(info.fileName()));
    m_retirer = retirer;
    retirer->setAction([this] {
        if (surRetrait) {
            surRetrait(m_chemin);
        }
    });
    rangee->addWidget(retirer);
}

void LigneFichier::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    Formes::remplir(peintre, rect(), rayon, Couleurs::surface().couleur());
}
