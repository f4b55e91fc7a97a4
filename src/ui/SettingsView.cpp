#include "SettingsView.h"

#include "api/TransferAPI.h"
#include "core/Affichage.h"
#include "core/Partages.h"
#include "core/Plateforme.h"
#include "core/Preferences.h"
#include "design/BarreDefilement.h"
#include "design/ChampSaisie.h"
#include "design/Couleurs.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/StatusDot.h"
#include "design/ValtoButton.h"
#include "design/ValtoCase.h"
#include "design/ValtoField.h"
#include "design/ValtoSelect.h"

#include <QAction>
#include <QBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int marge = 24;

QList<ValtoSelect::Option> optionsExpiration()
{
    QList<ValtoSelect::Option> options;
    for (const qint64 jours : choixExpiration) {
        options.append({jours, formaterExpiration(jours)});
    }
    return options;
}
} // namespace

SettingsView::SettingsView(Preferences& preferences, const Plateforme& plateforme, QWidget* parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_urlParDefaut(plateforme.origineServeur)
    , m_nomUtilisateur(plateforme.nomCompletUtilisateur)
{
    setWindowTitle(u"Réglages"_s);
    auto* defilement = new QScrollArea(this);
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    defilement->setWidgetResizable(true);
    defilement->setVerticalScrollBar(new BarreDefilement(defilement));
    defilement->viewport()->setAutoFillBackground(false);
    QWidget* contenu = construireContenu();
    defilement->setWidget(contenu);
    // setWidget() turns the fill on; the window's page colour shows through instead.
    contenu->setAutoFillBackground(false);
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->addWidget(defilement);
    // The bar sits beside the content, never over it.
    setFixedWidth(largeurContenu + BarreDefilement::largeur);
    setMinimumHeight(hauteurMinimale);
    relire();
    ajouterFermeture();
}

void SettingsView::ajouterFermeture()
{
    auto* fermer = new QAction(this);
    fermer->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(fermer, &QAction::triggered, this, &QWidget::close);
    addAction(fermer);
}

QWidget* SettingsView::construireContenu()
{
    auto* contenu = new QWidget(this);
    contenu->setObjectName(u"contenu"_s);
    contenu->setFixedWidth(largeurContenu);
    auto* colonne = new QVBoxLayout(contenu);
    colonne->setContentsMargins(marge, marge, marge, marge);
    colonne->setSpacing(24);

    QVBoxLayout* serveur = section(colonne, u"Serveur"_s);
    m_baseURL = champ(Preferences::cleApiBaseURL, m_urlParDefaut);
    serveur->addWidget(new ValtoField(u"URL"_s, m_baseURL, contenu));
    m_apiKey = champ(Preferences::cleApiKey, {});
    m_apiKey->setEchoMode(QLineEdit::Password);
    serveur->addWidget(new ValtoField(u"Clé API"_s, m_apiKey, contenu));
    serveur->addWidget(
        aide(u"Renseignée automatiquement depuis le NAS si le champ est vide (partage DATA monté)."_s));
    serveur->addWidget(construireTest());

    QVBoxLayout* nas = section(colonne, u"NAS"_s);
    m_montage = champ(Preferences::cleNasMountPath, Preferences::dossierCopiesParDefaut);
    nas->addWidget(new ValtoField(u"Dossier des copies"_s, m_montage, contenu));
    m_aideNAS = aide({});
    m_aideNAS->setObjectName(u"aideNAS"_s);
    nas->addWidget(m_aideNAS);

    QVBoxLayout* transferts = section(colonne, u"Transferts"_s);
    m_expediteur = champ(Preferences::cleExpediteur, m_nomUtilisateur);
    transferts->addWidget(new ValtoField(u"Ton nom (expéditeur)"_s, m_expediteur, contenu));
    m_expirationJours = new ValtoSelect(optionsExpiration(), contenu);
    m_expirationJours->setObjectName(Preferences::cleDefaultExpiryDays);
    m_expirationJours->setFixedWidth(160);
    connect(m_expirationJours, &ValtoSelect::selectionChangee, this,
            [this](const QVariant& jours) { ecrire(Preferences::cleDefaultExpiryDays, jours.toLongLong()); });
    transferts->addWidget(new ValtoField(u"Expiration par défaut"_s, m_expirationJours, contenu), 0,
                          Qt::AlignLeft);
    m_prevenir = new ValtoCase(u"Prévenir quand un lien est ouvert ou téléchargé"_s, contenu);
    m_prevenir->setObjectName(Preferences::clePrevenirReceptions);
    connect(m_prevenir, &ValtoCase::basculee, this,
            [this](bool coche) { ecrire(Preferences::clePrevenirReceptions, coche); });
    transferts->addWidget(m_prevenir, 0, Qt::AlignLeft);
    colonne->addStretch(1);
    return contenu;
}

QVBoxLayout* SettingsView::section(QVBoxLayout* colonne, const QString& titre)
{
    auto* items = new QVBoxLayout;
    items->setSpacing(12);
    auto* entete = new Libelle(Polices::majuscules(titre), Polices::capitalesEspacees(11),
                               Couleurs::texteDiscret(), colonne->parentWidget());
    items->addWidget(entete);
    colonne->addLayout(items);
    return items;
}

// Any text is accepted and stored as typed, at each keystroke.
ChampSaisie* SettingsView::champ(const QString& cle, const QString& placeholder)
{
    auto* saisie = new ChampSaisie(placeholder);
    saisie->setObjectName(cle);
    connect(saisie, &QLineEdit::textEdited, this, [this, cle](const QString& texte) { ecrire(cle, texte); });
    return saisie;
}

Libelle* SettingsView::aide(const QString& texte)
{
    auto* libelle = new Libelle(texte, Polices::texte(11), Couleurs::texteDiscret());
    libelle->setWordWrap(true);
    libelle->setFixedWidth(largeurContenu - 2 * marge);
    return libelle;
}

QWidget* SettingsView::construireTest()
{
    auto* rangee = new QWidget;
    m_rangeeTest = new QBoxLayout(QBoxLayout::LeftToRight, rangee);
    QBoxLayout* disposition = m_rangeeTest;
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(10);
    m_tester = new ValtoButton(u"Tester la connexion"_s, ValtoButton::Role::normal,
                               ValtoButton::Taille::small, rangee);
    m_tester->setObjectName(u"tester"_s);
    m_tester->setAction([this] { tester(); });
    disposition->addWidget(m_tester, 0, Qt::AlignLeft);
    m_resultat = new StatusDot({}, StatusDot::Tone::success, rangee);
    m_resultat->setObjectName(u"resultatTest"_s);
    m_resultat->hide();
    disposition->addWidget(m_resultat, 1, Qt::AlignLeft);
    return rangee;
}

QString SettingsView::aideNAS(const QStringList& partages)
{
    return u"Tout fichier déposé depuis un partage du NAS ("_s + partages.join(u", "_s) +
           u"…) est référencé tel quel — aucune copie, aucun doublon. Seuls les fichiers hors NAS (Bureau, "
           u"Téléchargements…) sont copiés dans ce dossier."_s;
}

void SettingsView::relire()
{
    const auto lire = [this](ChampSaisie* saisie, const QString& defaut) {
        const QString cle = saisie->objectName();
        const QString texte = m_preferences.contient(cle) ? m_preferences.valeur(cle).toString() : defaut;
        if (saisie->text() != texte) {
            saisie->setText(texte);
        }
    };
    lire(m_baseURL, m_urlParDefaut);
    lire(m_apiKey, {});
    lire(m_montage, Preferences::dossierCopiesParDefaut);
    lire(m_expediteur, {});
    const QString cleExpiration = Preferences::cleDefaultExpiryDays;
    // Showing the stored value (or the default) is not an edit: nothing is written.
    const QSignalBlocker silence(m_expirationJours);
    m_expirationJours->setSelection(m_preferences.contient(cleExpiration)
                                        ? m_preferences.valeur(cleExpiration).toLongLong()
                                        : Preferences::expirationParDefaut);
    m_prevenir->setCoche(m_preferences.prevenirReceptions());
    m_aideNAS->setText(aideNAS(partagesEnVigueur(m_preferences)));
}

void SettingsView::ecrire(const QString& cle, const QVariant& valeur)
{
    m_preferences.ecrire(cle, valeur);
    Q_EMIT preferenceModifiee(cle);
}

void SettingsView::tester()
{
    setTest(true, std::nullopt, m_testOK);
    executerTest(m_baseURL->text(), m_apiKey->text());
}

// The values as they stand in the fields, not the accessors' cleaned-up ones: the test checks what is typed.
QCoro::Task<> SettingsView::executerTest(QString baseURL, QString apiKey)
{
    const QPointer<SettingsView> vivant(this);
    const TransferAPI api{std::move(baseURL), std::move(apiKey)};
    QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> demande = api.listerTransferts();
    const Resultat<QList<TransfertAPI>, ErreurAPI> liste = co_await demande;
    if (!vivant) {
        co_return;
    }
    if (liste) {
        setTest(false, u"Connexion OK"_s, true);
    } else {
        setTest(false, description(liste.error()), false);
    }
}

void SettingsView::setTest(bool enCours, std::optional<QString> resultat, bool ok)
{
    // A disabled button hands the focus to the next field, text selected: the focus waits here instead
    // and goes back to the button afterwards.
    if (enCours && m_tester->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
        m_focusRendu = true;
    }
    m_testEnCours = enCours;
    m_testResultat = std::move(resultat);
    m_testOK = ok;
    m_tester->setTitre(enCours ? u"Test en cours…"_s : u"Tester la connexion"_s);
    m_tester->setEnabled(!enCours);
    if (!enCours && m_focusRendu) {
        m_focusRendu = false;
        if (hasFocus()) {
            m_tester->setFocus(Qt::OtherFocusReason);
        }
    }
    m_resultat->setVisible(m_testResultat.has_value());
    m_resultat->setMot(m_testResultat.value_or(QString()));
    m_resultat->setToolTip(m_testResultat.value_or(QString()));
    m_resultat->setTone(ok ? StatusDot::Tone::success : StatusDot::Tone::danger);
    // A long failure goes under the button rather than off the window's edge.
    const int largeurRangee =
        m_tester->sizeHint().width() + m_rangeeTest->spacing() + m_resultat->sizeHint().width();
    m_rangeeTest->setDirection(largeurRangee <= largeurContenu - 2 * marge ? QBoxLayout::LeftToRight
                                                                           : QBoxLayout::TopToBottom);
}

void SettingsView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Couleurs::fondPage().couleur());
}

void SettingsView::showEvent(QShowEvent* evenement)
{
    QWidget::showEvent(evenement);
    // Other parts write the store too (the key's auto-fill, the server's share list).
    relire();
}
