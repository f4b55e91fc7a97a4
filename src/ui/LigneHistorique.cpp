#include "LigneHistorique.h"

#include "IndicateurStatut.h"
#include "core/Affichage.h"
#include "design/ActionIcone.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Icones.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/Symbole.h"
#include "design/ValtoBadge.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QStackedLayout>
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

// A list item for screen readers: the title as name; details, expiry and status as description; pressing
// copies the link and the menu holds the other actions.
class LigneAccessible final : public QAccessibleWidget {
public:
    explicit LigneAccessible(LigneHistorique* ligne)
        : QAccessibleWidget(ligne, QAccessible::ListItem)
    {
    }

    QString text(QAccessible::Text genre) const override
    {
        const auto* ligne = static_cast<LigneHistorique*>(widget());
        switch (genre) {
        case QAccessible::Name:
            return ligne->transfert().titre;
        case QAccessible::Description:
            return ligne->descriptionAccessible();
        default:
            return QAccessibleWidget::text(genre);
        }
    }
    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    void doAction(const QString& action) override
    {
        auto* ligne = static_cast<LigneHistorique*>(widget());
        if (action == pressAction()) {
            Q_EMIT ligne->actionDemandee(ActionLigne::copierLien);
        } else if (action == showMenuAction()) {
            ligne->ouvrirMenuAuClavier();
        }
    }
};

QAccessibleInterface* fabriqueAccessible(const QString&, QObject* objet)
{
    if (auto* ligne = qobject_cast<LigneHistorique*>(objet)) {
        return new LigneAccessible(ligne);
    }
    return nullptr;
}
} // namespace

LigneHistorique::LigneHistorique(const Transfert& transfert, std::function<QDateTime()> maintenant,
                                 QWidget* parent)
    : QWidget(parent)
    , m_transfert(transfert)
    , m_maintenant(std::move(maintenant))
{
    static const bool fabriqueInstallee = [] {
        QAccessible::installFactory(fabriqueAccessible);
        return true;
    }();
    Q_UNUSED(fabriqueInstallee);
    // One stop of the Tab chain per row: its keys reach every action, so its buttons take no focus.
    setFocusPolicy(Qt::StrongFocus);
    auto* disposition = rangee(this, 12);
    disposition->setContentsMargins(16, margeVerticale, 16, margeVerticale);
    disposition->addWidget(construireTexte(), 1);
    disposition->addWidget(construireCote(), 0, Qt::AlignRight | Qt::AlignVCenter);
    appliquerTransfert();
    setStats(std::nullopt);
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
    m_badge->setToolTip(u"Comparaison avant/après"_s);
    m_cadenas = new Symbole(u"lock"_s, Icones::cotePour(11), Couleurs::texteAttenue(), ligneTitre);
    m_cadenas->setToolTip(u"Protégé par mot de passe"_s);
    // The badge and the lock follow the title; a long title gives way first.
    m_titre->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    titre->addWidget(m_titre);
    titre->addWidget(m_badge);
    titre->addWidget(m_cadenas);
    titre->addStretch(1);
    colonne->addWidget(ligneTitre);

    // The details and the status line take turns in one place of one height: nothing moves when they swap.
    auto* meta = new QWidget(texte);
    m_meta = new QStackedLayout(meta);
    QWidget* ligneDetail = new QWidget(meta);
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
    m_meta->addWidget(ligneDetail);
    m_statut = new Libelle({}, Polices::texte(11), Couleurs::texteAttenue(), meta);
    m_statut->setEliderAuMilieu(true);
    m_meta->addWidget(m_statut);
    colonne->addWidget(meta);
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
    m_copier->setFocusPolicy(Qt::NoFocus);
    m_copier->setAction([this] { Q_EMIT actionDemandee(ActionLigne::copierLien); });
    m_plus = new ActionIcone(u"ellipsis"_s, u"Plus d’actions"_s, tailleAction, m_actions);
    m_plus->setObjectName(u"plusDActions"_s);
    m_plus->setFocusPolicy(Qt::NoFocus);
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

QString LigneHistorique::ligneStatut() const
{
    return m_indicateur->ligne();
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
    m_statut->setText(ligneStatut());
    // Shortened when the row is narrow: the whole sentence stays at hand.
    m_statut->setToolTip(ligneStatut());
}

QString LigneHistorique::descriptionAccessible() const
{
    return m_detail->text() + u" · "_s + m_expiration->text() + u" · "_s + ligneStatut();
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
    m_meta->setCurrentWidget(visibles ? static_cast<QWidget*>(m_statut) : m_meta->widget(0));
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
    // From the keyboard the menu opens under the title, not where the pointer happens to be.
    const bool clavier = evenement->reason() == QContextMenuEvent::Keyboard;
    if (clavier) {
        ouvrirMenuAuClavier();
    } else {
        ouvrirMenu(creerMenuContextuel(), evenement->globalPos());
    }
}

MenuLigne* LigneHistorique::creerMenuContextuel()
{
    auto* menu = new MenuLigne(true, m_transfert.motDePasse.has_value(), this);
    menu->setObjectName(u"menuContextuel"_s);
    return menu;
}

void LigneHistorique::ouvrirMenuAuClavier()
{
    MenuLigne* menu = creerMenuContextuel();
    ouvrirMenu(menu, mapToGlobal(QPoint(16, height())));
    // Arrows and Enter work at once, as in any menu opened from the keyboard.
    menu->setActiveAction(menu->actions().constFirst());
}

void LigneHistorique::keyPressEvent(QKeyEvent* evenement)
{
    const bool menu = evenement->key() == Qt::Key_Menu ||
                      (evenement->key() == Qt::Key_F10 && evenement->modifiers() == Qt::ShiftModifier);
    if (menu) {
        ouvrirMenuAuClavier();
    } else if (evenement->key() == Qt::Key_Return || evenement->key() == Qt::Key_Enter) {
        Q_EMIT actionDemandee(ActionLigne::copierLien);
    } else if (evenement->key() == Qt::Key_Delete || evenement->key() == Qt::Key_Backspace) {
        Q_EMIT actionDemandee(ActionLigne::supprimer);
    } else if (evenement->key() == Qt::Key_Up || evenement->key() == Qt::Key_Down) {
        focusNextPrevChild(evenement->key() == Qt::Key_Down);
    } else {
        QWidget::keyPressEvent(evenement);
        return;
    }
    evenement->accept();
}

void LigneHistorique::focusInEvent(QFocusEvent* evenement)
{
    m_focusClavier = focusVenuDuClavier(evenement->reason());
    QWidget::focusInEvent(evenement);
    update();
    // A click that focused the row must not keep its actions out once the pointer has left.
    Q_EMIT focusChange(m_focusClavier);
}

void LigneHistorique::focusOutEvent(QFocusEvent* evenement)
{
    m_focusClavier = false;
    QWidget::focusOutEvent(evenement);
    update();
    Q_EMIT focusChange(false);
}

void LigneHistorique::paintEvent(QPaintEvent*)
{
    if (anneauVisible()) {
        QPainter peintre(this);
        Formes::anneauFocus(peintre, QRectF(rect()).adjusted(4, 1, -4, -1), 8);
    }
}

void LigneHistorique::ouvrirMenu(MenuLigne* menu, const QPoint& position)
{
    // Hidden once an entry is chosen (or the menu dismissed); the chosen entry runs before the deletion.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    connect(menu, &MenuLigne::choisie, this, &LigneHistorique::actionDemandee);
    menu->popup(position);
}
