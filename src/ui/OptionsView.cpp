#include "OptionsView.h"

#include "DepotFichiers.h"
#include "LigneFichier.h"
#include "core/Affichage.h"
#include "core/Partages.h"
#include "core/Plateforme.h"
#include "core/Rognage.h"
#include "design/ChampSaisie.h"
#include "design/Couleurs.h"
#include "design/Defilement.h"
#include "design/Filet.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/SelecteurFichiers.h"
#include "design/ValtoButton.h"
#include "design/ValtoField.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"
#include "flow/TransferFlow.h"
#include "nas/Placement.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
constexpr int hauteurParFichier = 42;
constexpr int hauteurListeMaximale = 190;
constexpr int largeurExpiration = 140;
} // namespace

OptionsView::OptionsView(TransferFlow& flow, Preferences& preferences, const Plateforme& plateforme,
                         QWidget* parent)
    : QWidget(parent)
    , m_flow(flow)
    , m_preferences(preferences)
    , m_racineVolumes(plateforme.racineVolumes)
{
    setAcceptDrops(true);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(12);
    colonne->addWidget(construireListe());
    colonne->addWidget(construireResume());
    colonne->addWidget(new Filet(this));
    colonne->addWidget(construireChamps());
    colonne->addWidget(construireBoutons());
    lier();
}

QString OptionsView::resume() const
{
    const qsizetype nombre = m_flow.urls().size();
    QString texte = QString::number(nombre) + u" élément"_s + (nombre >= 2 ? u"s"_s : QString()) + u" · "_s +
                    formaterTaille(m_flow.octetsTotal());
    if (m_flow.mode() == Mode::compare && nombre != 2) {
        texte += u" — dépose encore un fichier"_s;
    }
    return texte;
}

bool OptionsView::envoiPossible() const
{
    const QString titre =
        rogner(m_flow.titre(), [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; });
    return !titre.isEmpty() && (m_flow.mode() != Mode::compare || m_flow.urls().size() == 2);
}

QWidget* OptionsView::construireListe()
{
    m_liste = new QScrollArea(this);
    m_liste->setObjectName(u"liste"_s);
    m_liste->setFrameShape(QFrame::NoFrame);
    m_liste->setWidgetResizable(true);
    m_liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_liste->setAccessibleName(u"Éléments à envoyer"_s);
    m_liste->viewport()->setAutoFillBackground(false);
    habillerDefilement(m_liste);
    auto* contenu = new QWidget;
    m_lignes = new QVBoxLayout(contenu);
    m_lignes->setContentsMargins(0, 4, 0, 4);
    m_lignes->setSpacing(hauteurParFichier - LigneFichier::hauteur);
    m_lignes->addStretch();
    m_liste->setWidget(contenu);
    // The rows sit on the page background; setWidget() turned filling on.
    contenu->setAutoFillBackground(false);
    return m_liste;
}

QWidget* OptionsView::construireResume()
{
    auto* ligne = new QWidget(this);
    auto* rangee = new QHBoxLayout(ligne);
    rangee->setContentsMargins(0, 0, 0, 0);
    m_resume = new Libelle({}, Polices::texte(11), Couleurs::texteAttenue(), ligne);
    m_resume->setObjectName(u"resume"_s);
    rangee->addWidget(m_resume, 1);
    m_ajouter = new ValtoButton(u"Ajouter…"_s, ValtoButton::Role::normal, ValtoButton::Taille::small, ligne);
    m_ajouter->setObjectName(u"ajouter"_s);
    m_ajouter->setAction([this] { ajouterDepuisDialogue(); });
    rangee->addWidget(m_ajouter);
    return ligne;
}

QWidget* OptionsView::construireChamps()
{
    auto* champs = new QWidget(this);
    auto* colonne = new QVBoxLayout(champs);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(12);

    m_titre = new ChampSaisie(u"Titre du transfert"_s);
    m_titre->setObjectName(u"titre"_s);
    colonne->addWidget(new ValtoField(u"Titre du transfert"_s, m_titre, champs));

    QList<ValtoSelect::Option> options;
    for (const qint64 jours : choixExpiration) {
        options.append({QVariant::fromValue(jours), formaterExpiration(jours)});
    }
    m_expiration = new ValtoSelect(options);
    m_expiration->setObjectName(u"expiration"_s);
    m_expiration->setFixedWidth(largeurExpiration);
    m_motDePasse = new ChampSaisie(u"optionnel"_s);
    m_motDePasse->setObjectName(u"motDePasse"_s);
    m_motDePasse->setEchoMode(QLineEdit::Password);
    auto* cote = new QHBoxLayout;
    cote->setSpacing(12);
    cote->addWidget(new ValtoField(u"Expire dans"_s, m_expiration, champs));
    cote->addWidget(new ValtoField(u"Mot de passe"_s, m_motDePasse, champs), 1);
    colonne->addLayout(cote);
    // Files dropped on a field go to the list, not into the text.
    m_titre->setAcceptDrops(false);
    m_motDePasse->setAcceptDrops(false);
    return champs;
}

QWidget* OptionsView::construireBoutons()
{
    auto* boutons = new QWidget(this);
    auto* rangee = new QHBoxLayout(boutons);
    rangee->setContentsMargins(0, 0, 0, 0);
    auto* annuler =
        new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost, ValtoButton::Taille::normal, boutons);
    annuler->setObjectName(u"annuler"_s);
    annuler->setAction([this] { m_flow.reinitialiser(); });
    rangee->addWidget(annuler);
    rangee->addStretch();
    m_creer = new ValtoPrimaryButton(u"Créer le lien"_s, {}, boutons);
    m_creer->setObjectName(u"creer"_s);
    m_creer->setAction([this] {
        if (surEnvoi) {
            surEnvoi();
        }
        // The server's share list comes first and may be slow: the button says at once that it is under way.
        actualiserValidation();
    });
    rangee->addWidget(m_creer);
    return boutons;
}

void OptionsView::lier()
{
    connect(&m_flow, &TransferFlow::urlsChanged, this, [this] {
        actualiserListe();
        actualiserResume();
        actualiserValidation();
    });
    connect(&m_flow, &TransferFlow::octetsTotalChanged, this, &OptionsView::actualiserResume);
    connect(&m_flow, &TransferFlow::titreChanged, this, [this] {
        if (m_titre->text() != m_flow.titre()) {
            m_titre->setText(m_flow.titre());
        }
        actualiserValidation();
    });
    connect(m_titre, &QLineEdit::textEdited, &m_flow, &TransferFlow::setTitre);
    connect(&m_flow, &TransferFlow::expirationJoursChanged, this,
            [this] { m_expiration->setSelection(QVariant::fromValue(m_flow.expirationJours())); });
    connect(m_expiration, &ValtoSelect::selectionChangee, this,
            [this](const QVariant& jours) { m_flow.setExpirationJours(jours.value<qint64>()); });
    connect(&m_flow, &TransferFlow::motDePasseChanged, this, [this] {
        if (m_motDePasse->text() != m_flow.motDePasse()) {
            m_motDePasse->setText(m_flow.motDePasse());
        }
    });
    connect(m_motDePasse, &QLineEdit::textEdited, &m_flow, &TransferFlow::setMotDePasse);

    m_titre->setText(m_flow.titre());
    m_motDePasse->setText(m_flow.motDePasse());
    m_expiration->setSelection(QVariant::fromValue(m_flow.expirationJours()));
    actualiserListe();
    actualiserResume();
    actualiserValidation();
}

bool OptionsView::surLeNAS(const QString& chemin) const
{
    return !classer({chemin}, partagesEnVigueur(m_preferences), racineMontage(m_preferences, m_racineVolumes))
                .references.isEmpty();
}

void OptionsView::actualiserListe()
{
    // The list may be rebuilt from a row's own remove button: old rows go once that press is over.
    while (m_lignes->count() > 1) {
        const std::unique_ptr<QLayoutItem> element(m_lignes->takeAt(0));
        QWidget* ancienne = element->widget();
        ancienne->hide();
        ancienne->deleteLater();
    }
    const QStringList urls = m_flow.urls();
    // New rows would join the end of the Tab chain, after "Créer le lien": they go where the list is.
    QWidget* precedent = m_liste;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        auto* ligne = new LigneFichier(urls.at(i), surLeNAS(urls.at(i)));
        ligne->surRetrait = [this](const QString& chemin) { m_flow.retirer(chemin); };
        m_lignes->insertWidget(int(i), ligne);
        QWidget::setTabOrder(precedent, ligne->boutonRetirer());
        precedent = ligne->boutonRetirer();
    }
    m_liste->setFixedHeight(qMin(int(hauteurParFichier * urls.size() + 8), hauteurListeMaximale));
}

void OptionsView::actualiserResume()
{
    m_resume->setText(resume());
    m_ajouter->setVisible(m_flow.mode() != Mode::compare || m_flow.urls().size() < 2);
}

void OptionsView::actualiserValidation()
{
    const bool enCours = m_flow.envoiEnCours();
    m_creer->setTitre(enCours ? u"Création du lien…"_s : u"Créer le lien"_s);
    m_creer->setEnabled(envoiPossible() && !enCours);
}

void OptionsView::ajouterDepuisDialogue()
{
    const bool compare = m_flow.mode() == Mode::compare;
    const DemandeFichiers demande{compare ? DemandeFichiers::Genre::unFichier
                                          : DemandeFichiers::Genre::fichiersEtDossiers,
                                  compare ? TransferFlow::extensionsCompare : QSet<QString>(), u"Ajouter"_s};
    const QStringList chemins = SelecteurFichiers::choisir(this, demande);
    if (!chemins.isEmpty()) {
        m_flow.ajouter(chemins);
    }
}

void OptionsView::dragEnterEvent(QDragEnterEvent* evenement)
{
    if (cheminsDeposes(evenement->mimeData()).isEmpty()) {
        evenement->ignore();
        return;
    }
    evenement->acceptProposedAction();
}

void OptionsView::dragMoveEvent(QDragMoveEvent* evenement)
{
    evenement->acceptProposedAction();
}

void OptionsView::dropEvent(QDropEvent* evenement)
{
    evenement->acceptProposedAction();
    m_flow.ajouter(cheminsDeposes(evenement->mimeData()));
}
