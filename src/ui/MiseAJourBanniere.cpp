#include "MiseAJourBanniere.h"

#include "IndicateurActivite.h"
#include "design/ActionIcone.h"
#include "design/Animations.h"
#include "design/ControleValto.h"
#include "design/Couleurs.h"
#include "design/DSBar.h"
#include "design/Icones.h"
#include "design/Libelle.h"
#include "design/Polices.h"
#include "design/Symbole.h"
#include "design/ValtoButton.h"
#include "update/UpdateChecker.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int dureeGlissement = 220;
constexpr qreal pointsSymbole = 13;
} // namespace

MiseAJourBanniere::MiseAJourBanniere(UpdateChecker& updates, QWidget* parent)
    : QWidget(parent)
    , m_updates(updates)
    , m_glissement(new QPropertyAnimation(this, "maximumHeight", this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_glissement->setEasingCurve(QEasingCurve::OutCubic);
    // The row fades with the height it is given, so sliding and fading go together.
    connect(m_glissement, &QPropertyAnimation::valueChanged, this, [this](const QVariant& hauteur) {
        m_fondu->setOpacity(std::clamp(hauteur.toDouble() / sizeHint().height(), 0.0, 1.0));
    });
    connect(m_glissement, &QPropertyAnimation::finished, this, [this] {
        m_fondu->setEnabled(false);
        setVisible(m_presente);
    });
    connect(&m_updates, &UpdateChecker::etatChanged, this, &MiseAJourBanniere::actualiser);
    connect(&m_updates, &UpdateChecker::infoChanged, this, &MiseAJourBanniere::actualiser);
    suivreApparence(this);
    setMaximumHeight(0);
    hide();
    actualiser();
}

// Built the first time there is something to say: most runs never show the banner, and its controls would
// only hold back the window's first frame.
void MiseAJourBanniere::construireRangee()
{
    m_rangee = new QWidget(this);
    m_activite = new IndicateurActivite(12, m_rangee);
    m_symbole = new Symbole(u"exclamationmark.triangle"_s, Icones::cotePour(pointsSymbole),
                            Couleurs::texteAttenue(), m_rangee);
    m_message = new Libelle({}, Polices::texte(11, QFont::Medium), Couleurs::texte(), m_rangee);
    m_barre = new DSBar(std::nullopt, m_rangee);
    m_telecharger = new ValtoButton(u"Télécharger"_s, ValtoButton::Role::normal, ValtoButton::Taille::small);
    m_masquer = new ActionIcone(u"xmark"_s, u"Masquer"_s, 24);
    m_activite->setObjectName(u"activite"_s);
    m_symbole->setObjectName(u"symbole"_s);
    m_message->setObjectName(u"message"_s);
    m_barre->setObjectName(u"barre"_s);
    m_telecharger->setObjectName(u"telecharger"_s);
    m_masquer->setObjectName(u"masquer"_s);
    m_barre->setFixedWidth(largeurBarre);
    // One line in a narrow window: a long failure is shortened, and told whole in the tooltip.
    m_message->setEliderAuMilieu(true);
    m_telecharger->setAction([this] { m_updates.ouvrirTelechargement(); });
    m_masquer->setAction([this] { m_updates.masquer(); });

    auto* ligne = new QHBoxLayout(m_rangee);
    ligne->setContentsMargins(12, 6, 6, 6);
    ligne->setSpacing(8);
    ligne->addWidget(m_activite);
    ligne->addWidget(m_symbole);
    // The message takes the room left, so the controls keep to the right edge.
    // The row's spacing is the flexible space's 8 points: a spacer here would add two more gaps.
    ligne->addWidget(m_message, 1);
    ligne->addWidget(m_barre);
    ligne->addWidget(m_telecharger);
    ligne->addWidget(m_masquer);

    m_fondu = new QGraphicsOpacityEffect(m_rangee);
    m_fondu->setEnabled(false);
    m_rangee->setGraphicsEffect(m_fondu);
}

QString MiseAJourBanniere::message(const Etat& etat, const QString& version)
{
    switch (etat.cas) {
    case Etat::Cas::telechargement:
        return u"Mise à jour vers "_s + version + u" — téléchargement…"_s;
    case Etat::Cas::prete:
        return u"Mise à jour vers "_s + version + u" prête — redémarrage…"_s;
    case Etat::Cas::echec:
        return u"Mise à jour impossible : "_s + etat.message;
    case Etat::Cas::aucune:
        break;
    }
    return {};
}

void MiseAJourBanniere::actualiser()
{
    const Etat etat = m_updates.etat();
    if (m_rangee == nullptr) {
        if (etat.cas == Etat::Cas::aucune) {
            return;
        }
        construireRangee();
    }
    const std::optional<VersionInfo> info = m_updates.info();
    m_message->setText(message(etat, info ? info->version : QString()));
    m_message->setToolTip(m_message->text());
    m_activite->setVisible(etat.cas == Etat::Cas::telechargement);
    m_symbole->setVisible(etat.cas != Etat::Cas::telechargement);
    m_symbole->setNom(etat.cas == Etat::Cas::prete ? u"arrow.triangle.2.circlepath"_s
                                                   : u"exclamationmark.triangle"_s);
    m_barre->setVisible(etat.cas == Etat::Cas::telechargement && etat.fraction.has_value());
    m_barre->setValue(etat.fraction);
    m_telecharger->setVisible(etat.cas == Etat::Cas::echec);
    m_masquer->setVisible(etat.cas == Etat::Cas::echec);
    const bool presente = etat.cas != Etat::Cas::aucune;
    if (presente != m_presente) {
        m_presente = presente;
        glisser(presente);
    }
    placerRangee();
    if (m_presente && m_glissement->state() != QAbstractAnimation::Running) {
        setMaximumHeight(sizeHint().height());
    }
}

void MiseAJourBanniere::glisser(bool entrer)
{
    m_glissement->stop();
    if (entrer) {
        show();
    }
    m_fondu->setEnabled(true);
    m_glissement->setDuration(Animations::duree(dureeGlissement));
    m_glissement->setStartValue(maximumHeight());
    m_glissement->setEndValue(entrer ? sizeHint().height() : 0);
    m_glissement->start();
}

QSize MiseAJourBanniere::sizeHint() const
{
    if (m_rangee == nullptr) {
        return QSize(0, 0);
    }
    return QSize(m_rangee->sizeHint().width(), m_rangee->sizeHint().height() + 1);
}

void MiseAJourBanniere::resizeEvent(QResizeEvent*)
{
    placerRangee();
}

void MiseAJourBanniere::placerRangee()
{
    // Hidden, it has nothing to place.
    if (isHidden() || m_rangee == nullptr) {
        return;
    }
    // The row hangs from the bottom edge, so a growing banner brings it down from the top.
    const int hauteurRangee = m_rangee->sizeHint().height();
    m_rangee->setGeometry(0, height() - 1 - hauteurRangee, width(), hauteurRangee);
}

void MiseAJourBanniere::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.fillRect(rect(), Couleurs::surface().couleur());
    peintre.fillRect(QRect(0, height() - 1, width(), 1), Couleurs::ligne().couleur());
}
