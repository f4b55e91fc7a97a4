#include "HistoryView.h"

#include "ConfirmationSuppression.h"
#include "LigneHistorique.h"
#include "MessageErreur.h"
#include "PopoverEdition.h"
#include "api/TransferAPI.h"
#include "core/DateISO.h"
#include "core/HistoryStore.h"
#include "design/ActionIcone.h"
#include "design/BarreDefilement.h"
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/Symbole.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The server no longer knows the transfer: for the history that is the same as a deletion.
bool dejaSupprime(const ErreurAPI& erreur)
{
    const auto* refus = std::get_if<TransferAPIErreur>(&erreur);
    return refus != nullptr && refus->cas == TransferAPIErreur::Cas::http && refus->status == 404;
}

void mettreDansPressePapier(const QString& texte)
{
    QClipboard* pressePapier = QGuiApplication::clipboard();
    pressePapier->clear();
    pressePapier->setText(texte);
}

} // namespace

HistoryView::HistoryView(HistoryStore& store, Preferences& preferences, Plateforme plateforme,
                         QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_preferences(preferences)
    , m_plateforme(std::move(plateforme))
{
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);
    colonne->addWidget(construireEntete());
    m_message = new MessageErreur(this);
    auto* marges = new QHBoxLayout;
    marges->setContentsMargins(16, 0, 16, 6);
    marges->addWidget(m_message);
    colonne->addLayout(marges);
    m_pile = new QStackedWidget(this);
    m_pile->addWidget(construireVide());
    m_pile->addWidget(construireListe());
    colonne->addWidget(m_pile, 1);

    connect(&m_store, &HistoryStore::transfertsChanged, this, &HistoryView::synchroniserLignes);
    connect(&m_store, &HistoryStore::statsChanged, this, &HistoryView::synchroniserStats);
    synchroniserLignes();
}

HistoryView::~HistoryView()
{
    // A row losing the focus as the window goes would report to a panel already half destroyed.
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        ligne->disconnect(this);
    }
    // Closing the popover while this object is half destroyed must not reach back into it.
    if (m_popover) {
        m_popover->disconnect(this);
        delete m_popover;
    }
}

PopoverEdition* HistoryView::popover() const
{
    return m_popover;
}

QWidget* HistoryView::construireEntete()
{
    auto* entete = new QWidget(this);
    auto* rangee = new QHBoxLayout(entete);
    rangee->setContentsMargins(16, 10, 10, 6);
    auto* titre = new Libelle(u"Transferts récents"_s, Polices::mono(11), Couleurs::texteAttenue(), entete);
    titre->setObjectName(u"titre"_s);
    rangee->addWidget(titre, 1);
    auto* rafraichir = new ActionIcone(u"arrow.clockwise"_s, u"Rafraîchir les statistiques"_s, 28, entete);
    rafraichir->setObjectName(u"rafraichir"_s);
    m_rafraichir = rafraichir;
    // Not awaited: the rows follow the statistics when they change.
    rafraichir->setAction([this] { m_store.rafraichir(); });
    rangee->addWidget(rafraichir);
    return entete;
}

QWidget* HistoryView::construireVide()
{
    m_vide = new QWidget(this);
    m_vide->setObjectName(u"vide"_s);
    auto* colonne = new QVBoxLayout(m_vide);
    colonne->setSpacing(8);
    colonne->addStretch(1);
    colonne->addWidget(new Symbole(u"tray"_s, 22, Couleurs::texteDiscret(), m_vide), 0, Qt::AlignHCenter);
    auto* texte = new Libelle(u"Aucun transfert pour l’instant."_s, Polices::texte(13),
                              Couleurs::texteAttenue(), m_vide);
    colonne->addWidget(texte, 0, Qt::AlignHCenter);
    colonne->addStretch(1);
    return m_vide;
}

QWidget* HistoryView::construireListe()
{
    auto* defilement = new QScrollArea(this);
    m_defilement = defilement;
    defilement->setObjectName(u"liste"_s);
    // The rows take the focus one by one; the list scrolls to the focused one.
    defilement->setFocusPolicy(Qt::NoFocus);
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setWidgetResizable(true);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    defilement->setVerticalScrollBar(new BarreDefilement(defilement));
    defilement->viewport()->setAutoFillBackground(false);
    m_conteneurLignes = new QWidget(defilement);
    m_colonneLignes = new QVBoxLayout(m_conteneurLignes);
    m_colonneLignes->setContentsMargins(0, 0, 0, 8);
    m_colonneLignes->setSpacing(0);
    // Holds the place of the rows not built yet, so the scroll bar already tells the whole list.
    m_reserve = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_colonneLignes->addSpacerItem(m_reserve);
    m_colonneLignes->addStretch(1);
    defilement->setWidget(m_conteneurLignes);
    // setWidget() turns the fill on; the panel's own page colour shows through instead.
    m_conteneurLignes->setAutoFillBackground(false);
    defilement->viewport()->installEventFilter(this);
    connect(defilement->verticalScrollBar(), &QScrollBar::valueChanged, this, &HistoryView::etendre);
    return defilement;
}

// Rows are built as the list scrolls to them: until the first paint just those in sight, so the window
// appears sooner, then one more viewport ahead. A hundred rows of widgets would weigh on the memory of a
// window that mostly shows five.
qsizetype HistoryView::lignesVoulues() const
{
    const int hauteurVue = m_defilement->viewport()->height();
    const int bas = m_defilement->verticalScrollBar()->value() + (m_peinte ? 2 : 1) * hauteurVue;
    return bas / hauteurLigne() + 1;
}

// All rows are alike; before the first one is built, no row is lower than this.
int HistoryView::hauteurLigne() const
{
    return m_lignes.isEmpty() ? LigneHistorique::hauteurMinimale : m_lignes.first()->sizeHint().height();
}

void HistoryView::montrerLigne(const QString& token)
{
    const QList<Transfert> transferts = m_store.transferts();
    const auto position = std::find_if(transferts.cbegin(), transferts.cend(),
                                       [&](const Transfert& t) { return t.token == token; });
    if (position == transferts.cend()) {
        return;
    }
    // All rows are alike, built or not: the row's place follows from its rank.
    const int hauteur = hauteurLigne();
    const int milieu = int(position - transferts.cbegin()) * hauteur + hauteur / 2;
    m_defilement->ensureVisible(0, milieu, 0, hauteur / 2 + 1);
    etendre();
}

void HistoryView::etendre()
{
    const qsizetype disponibles = m_store.transferts().size();
    if (m_lignes.size() < std::min(disponibles, lignesVoulues())) {
        synchroniserLignes();
    }
}

bool HistoryView::eventFilter(QObject* objet, QEvent* evenement)
{
    if (evenement->type() == QEvent::Resize) {
        etendre();
    }
    return QWidget::eventFilter(objet, evenement);
}

// Rows are kept across changes: an unchanged entry keeps its widget, so the list neither flickers nor
// loses its scroll position.
void HistoryView::synchroniserLignes()
{
    QList<Transfert> transferts = m_store.transferts();
    const qsizetype nonConstruites = std::max<qsizetype>(0, transferts.size() - lignesVoulues());
    transferts.resize(transferts.size() - nonConstruites);
    QHash<QString, QList<LigneHistorique*>> disponibles;
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        disponibles[ligne->transfert().token].append(ligne);
    }
    QList<LigneHistorique*> lignes;
    lignes.reserve(transferts.size());
    for (const Transfert& transfert : transferts) {
        QList<LigneHistorique*>& libres = disponibles[transfert.token];
        LigneHistorique* ligne = libres.isEmpty() ? creerLigne(transfert) : libres.takeFirst();
        ligne->setTransfert(transfert);
        lignes.append(ligne);
    }
    for (const QList<LigneHistorique*>& restantes : std::as_const(disponibles)) {
        for (LigneHistorique* ligne : restantes) {
            m_colonneLignes->removeWidget(ligne);
            ligne->hide();
            ligne->deleteLater();
        }
    }
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        if (m_colonneLignes->itemAt(int(i))->widget() != lignes.at(i)) {
            m_colonneLignes->removeWidget(lignes.at(i));
            m_colonneLignes->insertWidget(int(i), lignes.at(i));
        }
    }
    m_lignes = std::move(lignes);
    ordonnerTabulation();
    m_reserve->changeSize(0, int(nonConstruites) * hauteurLigne(), QSizePolicy::Minimum, QSizePolicy::Fixed);
    // Placed now rather than on a later turn of the event loop: new rows may be wanted by this very frame.
    m_colonneLignes->invalidate();
    m_colonneLignes->activate();
    m_pile->setCurrentIndex(m_lignes.isEmpty() ? 0 : 1);
    if (m_edition && !entree(*m_edition) && m_popover) {
        m_popover->close();
    }
    appliquerEtat();
}

// Rows made later (a new transfer) would otherwise come last in the Tab order whatever their place; the
// error's close button sits between the header and the rows.
void HistoryView::ordonnerTabulation()
{
    QWidget* precedent = m_message->boutonFermer();
    QWidget::setTabOrder(m_rafraichir, precedent);
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        QWidget::setTabOrder(precedent, ligne);
        precedent = ligne;
    }
}

void HistoryView::synchroniserStats()
{
    const QHash<QString, StatsTransfert> stats = m_store.stats();
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        const auto trouvee = stats.constFind(ligne->transfert().token);
        ligne->setStats(trouvee == stats.cend() ? std::nullopt : std::optional(*trouvee));
        ligne->actualiserExpiration();
    }
}

LigneHistorique* HistoryView::creerLigne(const Transfert& transfert)
{
    auto* ligne = new LigneHistorique(transfert, m_plateforme.maintenant, m_conteneurLignes);
    ligne->show();
    const QHash<QString, StatsTransfert> stats = m_store.stats();
    const auto trouvee = stats.constFind(transfert.token);
    if (trouvee != stats.cend()) {
        ligne->setStats(*trouvee);
    }
    connect(ligne, &LigneHistorique::survolChange, this, [this, ligne](bool dedans) {
        const QString token = ligne->transfert().token;
        if (dedans) {
            m_survol = token;
        } else if (m_survol == token) {
            m_survol.reset();
        }
        appliquerEtat();
    });
    connect(ligne, &LigneHistorique::focusChange, this, [this, ligne](bool dedans) {
        const QString token = ligne->transfert().token;
        if (dedans) {
            m_focus = token;
        } else if (m_focus == token) {
            m_focus.reset();
        }
        appliquerEtat();
    });
    connect(ligne, &LigneHistorique::actionDemandee, this,
            [this, ligne](ActionLigne action) { executer(action, ligne->transfert().token); });
    return ligne;
}

void HistoryView::appliquerEtat()
{
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        const QString& token = ligne->transfert().token;
        ligne->setActionsVisibles(m_survol == token || m_focus == token || m_edition == token);
        ligne->setCopie(m_copie == token);
    }
}

std::optional<Transfert> HistoryView::entree(const QString& token) const
{
    for (const Transfert& transfert : m_store.transferts()) {
        if (transfert.token == token) {
            return transfert;
        }
    }
    return std::nullopt;
}

void HistoryView::executer(ActionLigne action, const QString& token)
{
    const std::optional<Transfert> transfert = entree(token);
    if (!transfert) {
        return;
    }
    switch (action) {
    case ActionLigne::copierLien:
        copierLien(*transfert);
        break;
    case ActionLigne::ouvrir:
        ouvrir(*transfert);
        break;
    case ActionLigne::modifier:
        modifier(*transfert);
        break;
    case ActionLigne::copierMotDePasse:
        mettreDansPressePapier(transfert->motDePasse.value_or(QString()));
        break;
    case ActionLigne::supprimer:
        demanderSuppression(*transfert);
        break;
    }
}

void HistoryView::copierLien(const Transfert& transfert)
{
    mettreDansPressePapier(transfert.url);
    m_copie = transfert.token;
    appliquerEtat();
    // Only this copy's mark is cleared: a later copy of another row keeps its own full time.
    QTimer::singleShot(dureeCopie, Qt::PreciseTimer, this, [this, token = transfert.token] {
        if (m_copie == token) {
            m_copie.reset();
            appliquerEtat();
        }
    });
}

void HistoryView::ouvrir(const Transfert& transfert)
{
    const QUrl url(transfert.url, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty() && m_plateforme.ouvrirURL && !m_plateforme.ouvrirURL(url)) {
        m_message->setTexte(u"Aucun navigateur n’a pu ouvrir le lien."_s);
    }
}

void HistoryView::modifier(const Transfert& transfert)
{
    if (m_popover) {
        m_popover->close();
    }
    auto* popover = new PopoverEdition(transfert, m_plateforme.maintenant, this);
    m_popover = popover;
    m_edition = transfert.token;
    connect(popover, &PopoverEdition::enregistrementDemande, this, &HistoryView::enregistrerEdition);
    connect(popover, &PopoverEdition::fermee, this, [this, popover] {
        if (m_popover == popover) {
            m_popover = nullptr;
            m_edition.reset();
            appliquerEtat();
        }
        popover->deleteLater();
    });
    appliquerEtat();
    QWidget* ancre = this;
    for (LigneHistorique* ligne : std::as_const(m_lignes)) {
        if (ligne->transfert().token == transfert.token) {
            ancre = ligne;
            break;
        }
    }
    popover->ouvrir(ancre);
}

void HistoryView::enregistrerEdition()
{
    PopoverEdition* popover = m_popover;
    if (popover == nullptr) {
        return;
    }
    const std::optional<CorpsModification> corps = popover->modification();
    if (!corps) {
        popover->close();
        return;
    }
    popover->setEnregistrementEnCours(true);
    executerModification(popover, popover->token(), *corps);
}

// The store is changed even when the panel has gone meanwhile: the server already holds the change.
QCoro::Task<> HistoryView::executerModification(QPointer<PopoverEdition> popover, QString token,
                                                CorpsModification corps)
{
    const QPointer<HistoryStore> store(&m_store);
    const TransferAPI api = TransferAPI::depuisPreferences(m_preferences);
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> envoi = api.modifierTransfert(token, std::move(corps));
    const Resultat<TransfertAPI, ErreurAPI> reponse = co_await envoi;
    if (!reponse) {
        if (popover) {
            popover->echouer(description(reponse.error()));
        }
        co_return;
    }
    if (store) {
        const std::optional<QDateTime> expireLe =
            reponse->expireLe ? lireDateISO(*reponse->expireLe) : std::nullopt;
        store->mettreAJour(token, reponse->titre, expireLe);
    }
    if (popover) {
        popover->close();
    }
}

void HistoryView::demanderSuppression(const Transfert& transfert)
{
    m_suppression = transfert.token;
    auto* dialogue = new ConfirmationSuppression(transfert.titre, this);
    dialogue->setObjectName(u"confirmationSuppression"_s);
    dialogue->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialogue, &QDialog::accepted, this, [this, token = transfert.token] {
        m_message->setTexte({});
        executerSuppression(token);
    });
    connect(dialogue, &QDialog::rejected, this, [this, token = transfert.token] {
        if (m_suppression == token) {
            m_suppression.reset();
        }
    });
    dialogue->open();
}

// The entry goes only once the server no longer serves the link; otherwise the user is told why it stays.
QCoro::Task<> HistoryView::executerSuppression(QString token)
{
    const QPointer<HistoryView> vivant(this);
    const QPointer<HistoryStore> store(&m_store);
    const TransferAPI api = TransferAPI::depuisPreferences(m_preferences);
    QCoro::Task<Resultat<void, ErreurAPI>> envoi = api.supprimerTransfert(token);
    const Resultat<void, ErreurAPI> resultat = co_await envoi;
    const bool disparu = resultat || dejaSupprime(resultat.error());
    if (disparu && store) {
        store->supprimer(token);
    }
    if (!vivant) {
        co_return;
    }
    if (m_suppression == token) {
        m_suppression.reset();
    }
    if (!disparu) {
        m_message->setTexte(u"Suppression impossible : "_s + description(resultat.error()));
    }
}

void HistoryView::paintEvent(QPaintEvent*)
{
    if (!m_peinte) {
        m_peinte = true;
        QTimer::singleShot(0, this, &HistoryView::etendre);
    }
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
}
