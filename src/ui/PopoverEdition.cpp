#include "PopoverEdition.h"

#include "core/Affichage.h"
#include "design/ChampSaisie.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/Formes.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/ValtoButton.h"
#include "design/ValtoField.h"
#include "design/ValtoPrimaryButton.h"
#include "design/ValtoSelect.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int marge = 16;
constexpr qreal rayon = 10;

QList<ValtoSelect::Option> optionsExpiration()
{
    QList<ValtoSelect::Option> options{{PopoverEdition::expirationInchangee, u"inchangée"_s}};
    for (const qint64 jours : choixExpiration) {
        options.append(
            {jours, jours == 0 ? formaterExpiration(jours) : u"dans "_s + formaterExpiration(jours)});
    }
    return options;
}
} // namespace

PopoverEdition::PopoverEdition(const Transfert& transfert, std::function<QDateTime()> maintenant,
                               QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_token(transfert.token)
    , m_titreActuel(transfert.titre)
    , m_maintenant(std::move(maintenant))
    , m_titre(new ChampSaisie({}, this))
    , m_expiration(new ValtoSelect(optionsExpiration(), this))
    // Parented by the layout, in the order they show: screen readers and Tab follow that order.
    , m_indication(new Libelle({}, Polices::texte(11), Couleurs::texteAttenue()))
    , m_erreur(new Libelle({}, Polices::texte(11), Couleurs::danger()))
    , m_enregistrer(new ValtoPrimaryButton(u"Enregistrer"_s, {}))
{
    setAttribute(Qt::WA_TranslucentBackground);
    suivreApparence(this);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(marge, marge, marge, marge);
    colonne->setSpacing(12);
    colonne->setSizeConstraint(QLayout::SetFixedSize);
    auto* entete =
        new Libelle(u"Modifier le transfert"_s, Polices::texte(15, QFont::Medium), Couleurs::texte(), this);
    // The heading holds the content's width, so the popover keeps its size when the hint comes and goes.
    entete->setFixedWidth(largeurContenu);
    colonne->addWidget(entete);

    m_titre->setObjectName(u"titreEdite"_s);
    m_titre->setText(transfert.titre);
    m_titre->setFixedWidth(260);
    colonne->addWidget(new ValtoField(u"Titre"_s, m_titre, this));
    m_expiration->setObjectName(u"expirationEditee"_s);
    m_expiration->setSelection(expirationInchangee);
    m_expiration->setFixedWidth(200);
    auto* champExpiration = new ValtoField(u"Expiration"_s, m_expiration, this);
    colonne->addWidget(champExpiration);
    m_indication->setObjectName(u"indication"_s);
    m_indication->setFixedWidth(largeurContenu);
    m_indication->setWordWrap(true);
    colonne->addWidget(m_indication);
    m_erreur->setFixedWidth(largeurContenu);
    m_erreur->setWordWrap(true);
    colonne->addWidget(m_erreur);

    auto* boutons = new QHBoxLayout;
    boutons->setSpacing(8);
    boutons->addStretch(1);
    auto* annuler = new ValtoButton(u"Annuler"_s, ValtoButton::Role::ghost, ValtoButton::Taille::small, this);
    annuler->setObjectName(u"annuler"_s);
    annuler->setAction([this] { close(); });
    boutons->addWidget(annuler);
    m_enregistrer->setObjectName(u"enregistrer"_s);
    m_enregistrer->setAction([this] { enregistrer(); });
    boutons->addWidget(m_enregistrer);
    colonne->addLayout(boutons);

    connect(m_titre, &QLineEdit::textChanged, this, &PopoverEdition::actualiser);
    connect(m_titre, &QLineEdit::returnPressed, this, &PopoverEdition::enregistrer);
    connect(m_expiration, &ValtoSelect::selectionChangee, this, &PopoverEdition::actualiser);
    actualiser();
}

QString PopoverEdition::titreEdite() const
{
    return m_titre->text();
}

qint64 PopoverEdition::expirationEditee() const
{
    return m_expiration->selection().toLongLong();
}

std::optional<CorpsModification> PopoverEdition::modification() const
{
    CorpsModification corps;
    const QString titre = titreEdite().trimmed();
    if (titre != m_titreActuel) {
        corps.titre = titre;
    }
    if (expirationEditee() >= 0) {
        corps.expireJours = expirationEditee();
    }
    if (!corps.titre && !corps.expireJours) {
        return std::nullopt;
    }
    return corps;
}

void PopoverEdition::setEnregistrementEnCours(bool enCours)
{
    m_enregistrementEnCours = enCours;
    actualiser();
}

void PopoverEdition::echouer(const QString& message)
{
    m_erreurEdition = message;
    m_enregistrementEnCours = false;
    actualiser();
}

void PopoverEdition::enregistrer()
{
    if (m_enregistrer->isEnabled()) {
        Q_EMIT enregistrementDemande();
    }
}

void PopoverEdition::actualiser()
{
    const qint64 jours = expirationEditee();
    m_indication->setVisible(jours >= 1);
    if (jours >= 1) {
        m_indication->setText(u"Le lien expirera le "_s +
                              formaterDate(m_maintenant().addSecs(jours * 86400)) + u'.');
    }
    m_erreur->setVisible(m_erreurEdition.has_value());
    m_erreur->setText(m_erreurEdition.value_or(QString()));
    m_enregistrer->setEnabled(!m_enregistrementEnCours && !titreEdite().trimmed().isEmpty());
}

void PopoverEdition::ouvrir(QWidget* ancre)
{
    adjustSize();
    const QRect ecran = ancre->screen()->availableGeometry();
    const QPoint dessous = ancre->mapToGlobal(QPoint(ancre->width() - width(), ancre->height()));
    const QPoint dessus = ancre->mapToGlobal(QPoint(ancre->width() - width(), -height()));
    QPoint position = dessous.y() + height() <= ecran.bottom() ? dessous : dessus;
    position.setX(qBound(ecran.left(), position.x(), qMax(ecran.left(), ecran.right() - width())));
    move(position);
    show();
    m_titre->setFocus(Qt::PopupFocusReason);
}

void PopoverEdition::keyPressEvent(QKeyEvent* evenement)
{
    if (evenement->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(evenement);
}

void PopoverEdition::hideEvent(QHideEvent* evenement)
{
    QFrame::hideEvent(evenement);
    Q_EMIT fermee();
}

void PopoverEdition::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayon, Couleurs::fondPage().couleur());
    Formes::bordureInterieure(peintre, forme, rayon, Couleurs::ligne().couleur());
}
