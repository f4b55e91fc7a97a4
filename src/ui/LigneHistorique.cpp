#include "LigneHistorique.h"

#include "IndicateurStatut.h"
#include "core/Affichage.h"
#include "design/ActionIcone.h"
#include "design/Couleurs.h"
#include "design/Icones.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/Symbole.h"
#include "design/ValtoBadge.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QHBoxLayout* rangee(QWidget* parent, int espacement)
{
    auto* disposition = new QHBoxLayout(parent);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(espacement);
    return disposition;
}
} // namespace

LigneHistorique::LigneHistorique(const Transfert& transfert, std::function<QDateTime()> maintenant,
                                 QWidget* parent)
    : QWidget(parent)
    , m_transfert(transfert)
    , m_maintenant(std::move(maintenant))
{
    auto* disposition = rangee(this, 12);
    disposition->setContentsMargins(16, margeVerticale, 16, margeVerticale);
    disposition->addWidget(construireTexte(), 1);
    disposition->addWidget(construireCote(), 0, Qt::AlignRight | Qt::AlignVCenter);
    appliquerTransfert();
    setActionsVisibles(false);
}

QWidget* LigneHistorique::construireTexte()
{
    auto* texte = new QWidget(this);
    auto* colonne = new QVBoxLayout(texte);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(3);

    auto* ligneTitre = new QWidget(texte);
    auto* titre = rangee(ligneTitre, 6);
    m_titre = new Libelle({}, Polices::texte(13, QFont::Medium), Couleurs::texte(), ligneTitre);
    m_titre->setObjectName(u"titre"_s);
    m_titre->setEliderAuMilieu(true);
    m_badge = new ValtoBadge(u"Compare"_s, ValtoBadge::Tone::strong, {}, ligneTitre);
    m_badge->setObjectName(u"badgeCompare"_s);
    m_badge->setToolTip(u"Comparaison avant/après"_s);
    m_cadenas = new Symbole(u"lock"_s, Icones::cotePour(11), Couleurs::texteAttenue(), ligneTitre);
    m_cadenas->setObjectName(u"cadenas"_s);
    m_cadenas->setToolTip(u"Protégé par mot de passe"_s);
    // The badge and the lock follow the title; a long title gives way first.
    m_titre->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    titre->addWidget(m_titre);
    titre->addWidget(m_badge);
    titre->addWidget(m_cadenas);
    titre->addStretch(1);
    colonne->addWidget(ligneTitre);

    auto* ligneDetail = new QWidget(texte);
    auto* detail = rangee(ligneDetail, 0);
    m_detail = new Libelle({}, Polices::texte(11), Couleurs::texteAttenue(), ligneDetail);
    m_detail->setObjectName(u"detail"_s);
    auto* separateur = new Libelle(u"  ·  "_s, Polices::texte(11), Couleurs::texteDiscret(), ligneDetail);
    m_expiration = new Libelle({}, Polices::texte(11), Couleurs::texteAttenue(), ligneDetail);
    m_expiration->setObjectName(u"expiration"_s);
    detail->addWidget(m_detail);
    detail->addWidget(separateur);
    detail->addWidget(m_expiration);
    detail->addStretch(1);
    colonne->addWidget(ligneDetail);
    return texte;
}

// The indicator and the actions share one place, the indicator's, which is the larger. The actions are
// built the first time they show: most rows are never hovered.
QWidget* LigneHistorique::construireCote()
{
    auto* cote = new QWidget(this);
    m_grilleCote = new QGridLayout(cote);
    m_grilleCote->setContentsMargins(0, 0, 0, 0);
    m_indicateur = new IndicateurStatut(cote);
    m_indicateur->setObjectName(u"indicateur"_s);
    // Hidden under the actions, it still holds the place, so nothing moves when they take turns.
    QSizePolicy politique = m_indicateur->sizePolicy();
    politique.setRetainSizeWhenHidden(true);
    m_indicateur->setSizePolicy(politique);
    m_grilleCote->addWidget(m_indicateur, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    return cote;
}

void LigneHistorique::construireActions()
{
    m_actions = new QWidget;
    m_actions->setObjectName(u"actions"_s);
    auto* boutons = rangee(m_actions, 2);
    m_copier = new ActionIcone(symboleCopie(), u"Copier le lien"_s, tailleAction, m_actions);
    m_copier->setObjectName(u"copierLien"_s);
    m_copier->setAction([this] { Q_EMIT actionDemandee(ActionLigne::copierLien); });
    m_plus = new ActionIcone(u"ellipsis"_s, u"Plus d’actions"_s, tailleAction, m_actions);
    m_plus->setObjectName(u"plusDActions"_s);
    m_plus->setAction([this] {
        auto* menu = new MenuLigne(false, m_transfert.motDePasse.has_value(), this);
        menu->setObjectName(u"menuPlus"_s);
        ouvrirMenu(menu, m_plus->mapToGlobal(QPoint(0, m_plus->height() + 2)));
    });
    boutons->addWidget(m_copier);
    boutons->addWidget(m_plus);
    m_grilleCote->addWidget(m_actions, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
}

void LigneHistorique::setTransfert(const Transfert& transfert)
{
    if (transfert == m_transfert) {
        return;
    }
    m_transfert = transfert;
    appliquerTransfert();
}

void LigneHistorique::appliquerTransfert()
{
    m_titre->setText(m_transfert.titre);
    m_titre->setToolTip(m_transfert.titre);
    m_badge->setVisible(m_transfert.type == u"compare"_s);
    m_cadenas->setVisible(m_transfert.protege);
    m_detail->setText(detail(m_transfert));
    actualiserExpiration();
}

QString LigneHistorique::detail(const Transfert& transfert)
{
    const QString mot = transfert.nbFichiers > 1 ? u" éléments"_s : u" élément"_s;
    return QString::number(transfert.nbFichiers) + mot + u" · "_s + formaterTaille(transfert.octets);
}

void LigneHistorique::actualiserExpiration()
{
    if (!m_transfert.expireLe) {
        m_expiration->setText(u"permanent"_s);
        m_expiration->setCouleur(Couleurs::texteAttenue());
        return;
    }
    const QDateTime maintenant = m_maintenant();
    if (*m_transfert.expireLe <= maintenant) {
        m_expiration->setText(u"expiré"_s);
        m_expiration->setCouleur(Couleurs::texteDiscret());
        return;
    }
    m_expiration->setText(u"expire le "_s + formaterDate(*m_transfert.expireLe));
    m_expiration->setCouleur(m_transfert.expireBientot(maintenant) ? Couleurs::avertissement()
                                                                   : Couleurs::texteAttenue());
}

void LigneHistorique::setStats(const std::optional<StatsTransfert>& stats)
{
    m_indicateur->setStats(stats);
}

void LigneHistorique::setActionsVisibles(bool visibles)
{
    m_actionsVisibles = visibles;
    if (visibles && m_actions == nullptr) {
        construireActions();
    }
    if (m_actions != nullptr) {
        m_actions->setVisible(visibles);
    }
    m_indicateur->setVisible(!visibles);
}

QString LigneHistorique::symboleCopie() const
{
    return m_copie ? u"checkmark"_s : u"link"_s;
}

void LigneHistorique::setCopie(bool copie)
{
    m_copie = copie;
    if (m_copier != nullptr && m_copier->systemName() != symboleCopie()) {
        m_copier->setSystemName(symboleCopie());
    }
}

void LigneHistorique::enterEvent(QEnterEvent* evenement)
{
    QWidget::enterEvent(evenement);
    Q_EMIT survolChange(true);
}

void LigneHistorique::leaveEvent(QEvent* evenement)
{
    QWidget::leaveEvent(evenement);
    Q_EMIT survolChange(false);
}

void LigneHistorique::contextMenuEvent(QContextMenuEvent* evenement)
{
    auto* menu = new MenuLigne(true, m_transfert.motDePasse.has_value(), this);
    menu->setObjectName(u"menuContextuel"_s);
    ouvrirMenu(menu, evenement->globalPos());
}

void LigneHistorique::ouvrirMenu(MenuLigne* menu, const QPoint& position)
{
    // Hidden once an entry is chosen (or the menu dismissed); the chosen entry runs before the deletion.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    connect(menu, &MenuLigne::choisie, this, &LigneHistorique::actionDemandee);
    menu->popup(position);
}
