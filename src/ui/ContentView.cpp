#include "ContentView.h"

#include "CompareDropZoneView.h"
#include "DropZoneView.h"
#include "ErreurView.h"
#include "HistoryView.h"
#include "LogoValto.h"
#include "MiseAJourBanniere.h"
#include "OptionsView.h"
#include "ProgressionView.h"
#include "ResultatView.h"
#include "ZoneEtape.h"
#include "core/Affichage.h"
#include "core/HistoryStore.h"
#include "core/Preferences.h"
#include "design/ActionIcone.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Filet.h"
#include "design/ValtoSegmented.h"
#include "flow/TransferFlow.h"
#include "update/UpdateChecker.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QWidget* avecMarges(QWidget* contenu, const QMargins& marges)
{
    auto* cadre = new QWidget;
    auto* colonne = new QVBoxLayout(cadre);
    colonne->setContentsMargins(marges);
    colonne->addWidget(contenu);
    return cadre;
}

QString detailCopie(const TransferFlow& flow)
{
    return formaterTaille(flow.octetsCopies()) + u" sur "_s + formaterTaille(flow.octetsACopier());
}

} // namespace

QString ContentView::libelle(Onglet onglet)
{
    return onglet == Onglet::compare ? u"Compare"_s : u"Transfert"_s;
}

ContentView::ContentView(HistoryStore& historique, Preferences& preferences, const Plateforme& plateforme,
                         QWidget* parent)
    : QWidget(parent)
    , m_historique(historique)
    , m_preferences(preferences)
    , m_plateforme(plateforme)
    , m_flowTransfert(new TransferFlow(Mode::transfert, preferences, plateforme, this))
    , m_flowCompare(new TransferFlow(Mode::compare, preferences, plateforme, this))
    , m_updates(new UpdateChecker(preferences, plateforme, this))
    , m_banniere(new MiseAJourBanniere(*m_updates))
    , m_onglets(new ValtoSegmented({{QVariant::fromValue(Onglet::transfert), libelle(Onglet::transfert)},
                                    {QVariant::fromValue(Onglet::compare), libelle(Onglet::compare)}},
                                   ValtoSegmented::Taille::small))
    , m_zoneEtape(new ZoneEtape)
{
    m_banniere->setObjectName(u"banniere"_s);
    m_onglets->setObjectName(u"onglets"_s);
    m_onglets->setAccessibleName(u"Mode d’envoi"_s);
    m_onglets->setSelection(QVariant::fromValue(m_onglet));
    connect(m_onglets, &ValtoSegmented::selectionChangee, this,
            [this](const QVariant& selection) { setOnglet(selection.value<Onglet>()); });

    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);
    colonne->addWidget(m_banniere);
    m_entete = construireEntete();
    colonne->addWidget(m_entete);
    colonne->addWidget(avecMarges(m_onglets, QMargins(16, 0, 16, 0)), 0, Qt::AlignLeft);
    colonne->addWidget(m_zoneEtape);
    colonne->addWidget(new Filet);
    m_historiqueVue = new HistoryView(historique, preferences, plateforme);
    colonne->addWidget(m_historiqueVue, 1);
    ordonnerTabulation();

    suivre(*m_flowTransfert);
    suivre(*m_flowCompare);
    connect(m_updates, &UpdateChecker::etatChanged, this, &ContentView::installerSiInactif);
    // The banner makes its controls the first time it shows.
    connect(m_updates, &UpdateChecker::etatChanged, this, &ContentView::ordonnerTabulation);
    suivreApparence(this);
    // The window opens with the focus here, not on the tab switch, whose focus ring would show.
    setFocusPolicy(Qt::ClickFocus);
    afficherEtape();
}

ContentView::~ContentView() = default;

QWidget* ContentView::construireEntete()
{
    auto* logo = new LogoValto;
#ifdef Q_OS_MACOS
    return avecMarges(logo, QMargins(16, 18, 16, 10));
#else
    // No application menu here: a visible way to the settings, centred on the lockup's line.
    constexpr int tailleBoutonReglages = 24;
    auto* entete = new QWidget;
    auto* rangee = new QHBoxLayout(entete);
    rangee->setContentsMargins(16, 18 + 7 - tailleBoutonReglages / 2, 10, 10 + 7 - tailleBoutonReglages / 2);
    rangee->addWidget(logo, 1, Qt::AlignVCenter);
    auto* reglages = new ActionIcone(u"gearshape"_s, u"Réglages (Ctrl+,)"_s, tailleBoutonReglages, entete);
    reglages->setObjectName(u"reglages"_s);
    reglages->setAction([this] { Q_EMIT reglagesDemandes(); });
    rangee->addWidget(reglages, 0, Qt::AlignVCenter);
    return entete;
#endif
}

void ContentView::setOnglet(Onglet onglet)
{
    if (m_onglet == onglet) {
        return;
    }
    m_onglet = onglet;
    m_onglets->setSelection(QVariant::fromValue(onglet));
    afficherEtape(true);
}

TransferFlow& ContentView::flowCourant() const
{
    return m_onglet == Onglet::compare ? *m_flowCompare : *m_flowTransfert;
}

bool ContentView::occupe() const
{
    return !(m_flowTransfert->etape().estInactive() && m_flowCompare->etape().estInactive());
}

QWidget* ContentView::ecran() const
{
    return m_zoneEtape->ecran();
}

void ContentView::suivre(TransferFlow& flow)
{
    connect(&flow, &TransferFlow::etapeChanged, this, [this, &flow] {
        if (&flow == &flowCourant()) {
            afficherEtape();
        }
        installerSiInactif();
    });
    for (const auto signal : {&TransferFlow::octetsCopiesChanged, &TransferFlow::octetsACopierChanged,
                              &TransferFlow::progressionChanged}) {
        connect(&flow, signal, this, [this, &flow] {
            if (&flow == &flowCourant()) {
                actualiserCopie();
            }
        });
    }
}

void ContentView::installerSiInactif()
{
    m_updates->installerSiInactif(occupe());
}

QCoro::Task<> ContentView::demarrer()
{
    const QPointer<ContentView> soi(this);
    QCoro::Task<> statistiques = m_historique.rafraichir();
    co_await statistiques;
    if (!soi) {
        co_return;
    }
    QCoro::Task<> verification = m_updates->verifier();
    co_await verification;
    if (!soi) {
        co_return;
    }
    installerSiInactif();
}

void ContentView::afficherEtape(bool changementDOnglet)
{
    TransferFlow& flow = flowCourant();
    std::pair<Mode, Etape> affiche{flow.mode(), flow.etape()};
    if (m_ecranAffiche == affiche) {
        return;
    }
    m_ecranAffiche = std::move(affiche);
    QWidget* ecran = creerEcran(flow);
    m_zoneEtape->afficher(ecran,
                          changementDOnglet ? ZoneEtape::Passage::immediat : ZoneEtape::Passage::fondu);
    ordonnerTabulation();
}

// Tab follows the page from top to bottom, whatever the order its parts were made in: a screen made at a
// later step would otherwise come after the history, and the header's button after the tab switch.
void ContentView::ordonnerTabulation()
{
    const QList<QWidget*> parties{m_banniere, m_entete, m_onglets, m_zoneEtape, m_historiqueVue};
    QList<QList<QWidget*>> arrets(parties.size());
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        const auto partie = std::find_if(parties.cbegin(), parties.cend(),
                                         [w](QWidget* p) { return p == w || p->isAncestorOf(w); });
        if (partie != parties.cend() && (w->focusPolicy() & Qt::TabFocus)) {
            arrets[partie - parties.cbegin()].append(w);
        }
    }
    QWidget* precedent = this;
    for (const QList<QWidget*>& liste : std::as_const(arrets)) {
        for (QWidget* arret : liste) {
            QWidget::setTabOrder(precedent, arret);
            precedent = arret;
        }
    }
}

QWidget* ContentView::creerEcran(TransferFlow& flow)
{
    const Etape etape = flow.etape();
    switch (etape.cas) {
    case Etape::Cas::attente:
        if (flow.mode() == Mode::compare) {
            auto* zone = new CompareDropZoneView;
            zone->surDepot = [&flow](const QStringList& paire) { flow.ajouter(paire); };
            return zone;
        } else {
            auto* zone = new DropZoneView;
            zone->surDepot = [&flow](const QStringList& chemins) { flow.ajouter(chemins); };
            return zone;
        }
    case Etape::Cas::options: {
        auto* options = new OptionsView(flow, m_preferences, m_plateforme);
        options->surEnvoi = [this, &flow] { flow.envoyer(m_historique); };
        return options;
    }
    case Etape::Cas::copie: {
        auto* copie = new ProgressionView(u"Copie vers le NAS…"_s, detailCopie(flow), flow.progression());
        copie->proposerAnnulation([&flow] { flow.reinitialiser(); });
        return copie;
    }
    case Etape::Cas::enregistrement:
        // The server the link is being registered with: the configured one.
        return new ProgressionView(u"Création du lien…"_s,
                                   u"Enregistrement auprès de "_s + QUrl(m_preferences.apiBaseURL()).host(),
                                   std::nullopt);
    case Etape::Cas::termine: {
        auto* resultat =
            new ResultatView(etape.transfert, flow.mode() == Mode::compare ? u"Nouvelle comparaison"_s
                                                                           : u"Nouveau transfert"_s);
        resultat->surNouveau = [&flow] { flow.reinitialiser(); };
        return resultat;
    }
    case Etape::Cas::erreur: {
        auto* erreur = new ErreurView(etape.message);
        erreur->surRetour = [&flow] { flow.reinitialiser(); };
        return erreur;
    }
    }
    Q_UNREACHABLE();
}

void ContentView::actualiserCopie()
{
    auto* progression = qobject_cast<ProgressionView*>(ecran());
    const TransferFlow& flow = flowCourant();
    if (!progression || flow.etape().cas != Etape::Cas::copie) {
        return;
    }
    progression->setDetail(detailCopie(flow));
    progression->setProgression(flow.progression());
}

void ContentView::showEvent(QShowEvent* evenement)
{
    QWidget::showEvent(evenement);
    // Set at construction it would be lost when the window adopts this content.
    if (!m_focusInitial) {
        m_focusInitial = true;
        setFocus(Qt::OtherFocusReason);
    }
}

void ContentView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
    // The start-up task waits for the first frame: its first request loads the TLS stack, which would
    // hold the window back.
    if (!m_demarre) {
        m_demarre = true;
        QTimer::singleShot(0, this, [this] { demarrer(); });
    }
}
