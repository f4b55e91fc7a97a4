#include "MessageErreur.h"

#include "design/ActionIcone.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Libelle.h"
#include "design/Polices.h"

#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

MessageErreur::MessageErreur(QWidget* parent)
    : QWidget(parent)
    , m_texte(new Libelle({}, Polices::texte(12), Couleurs::danger(), this))
{
    suivreApparence(this);
    auto* rangee = new QHBoxLayout(this);
    rangee->setContentsMargins(12, 6, 6, 6);
    rangee->setSpacing(8);
    m_texte->setObjectName(u"texte"_s);
    m_texte->setWordWrap(true);
    m_texte->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rangee->addWidget(m_texte, 1);
    auto* fermer = new ActionIcone(u"xmark"_s, u"Fermer"_s, 24, this);
    fermer->setAction([this] { setTexte({}); });
    rangee->addWidget(fermer, 0, Qt::AlignTop);
    m_fermer = fermer;
    hide();
}

QString MessageErreur::texte() const
{
    return m_texte->text();
}

void MessageErreur::setTexte(const QString& texte)
{
    m_texte->setText(texte);
    setVisible(!texte.isEmpty());
}

void MessageErreur::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, 8, Couleurs::dangerTeinte().couleur());
    Formes::bordureInterieure(peintre, forme, 8, Couleurs::danger().couleur(0.2));
}
