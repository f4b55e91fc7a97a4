#include "ValtoSegmented.h"

#include "Animations.h"
#include "ControleValto.h"
#include "Couleurs.h"
#include "Formes.h"
#include "Polices.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr qreal margeInterieure = 2;
constexpr qreal ecart = 2;
constexpr qreal rayonConteneur = 8;
constexpr qreal rayonSegment = 6;
constexpr int dureeGlissement = 60;
} // namespace

ValtoSegmented::ValtoSegmented(const QList<Option>& options, Taille taille, QWidget* parent)
    : QWidget(parent)
    , m_options(options)
    , m_taille(taille)
    , m_glissement(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    suivreApparence(this);
    m_glissement->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_glissement, &QVariantAnimation::valueChanged, this, [this](const QVariant& valeur) {
        m_pastille = valeur.toRectF();
        update();
    });
    if (!m_options.isEmpty()) {
        m_selection = m_options.first().first;
        m_pastille = zoneSegment(0);
    }
}

QFont ValtoSegmented::police() const
{
    return Polices::texte(m_taille == Taille::small ? 12 : 13, QFont::Medium);
}

QRectF ValtoSegmented::zoneSegment(qsizetype index) const
{
    const qreal marge = m_taille == Taille::small ? 12 : 16;
    const qreal hauteur = m_taille == Taille::small ? 24 : 30;
    const QFontMetricsF mesures(police());
    qreal x = margeInterieure;
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        const qreal largeur = mesures.horizontalAdvance(m_options.at(i).second) + 2 * marge;
        if (i == index) {
            return QRectF(x, margeInterieure, largeur, hauteur);
        }
        x += largeur + ecart;
    }
    return {};
}

QSize ValtoSegmented::sizeHint() const
{
    const QRectF dernier = zoneSegment(m_options.size() - 1);
    return QSize(qCeil(dernier.right() + margeInterieure), qCeil(dernier.bottom() + margeInterieure));
}

qsizetype ValtoSegmented::indexSelectionne() const
{
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (m_options.at(i).first == m_selection) {
            return i;
        }
    }
    return -1;
}

void ValtoSegmented::setSelection(const QVariant& selection)
{
    if (selection == m_selection) {
        return;
    }
    m_selection = selection;
    const qsizetype index = indexSelectionne();
    m_glissement->stop();
    if (index >= 0) {
        const QRectF cible = zoneSegment(index);
        if (m_pastille.isEmpty()) {
            m_pastille = cible;
        }
        m_glissement->setDuration(Animations::duree(dureeGlissement));
        m_glissement->setStartValue(m_pastille);
        m_glissement->setEndValue(cible);
        m_glissement->start();
    }
    update();
    Q_EMIT selectionChangee(m_selection);
}

void ValtoSegmented::choisir(qsizetype index)
{
    if (index >= 0 && index < m_options.size()) {
        setSelection(m_options.at(index).first);
    }
}

void ValtoSegmented::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const QRectF forme = rect();
    Formes::remplir(peintre, forme, rayonConteneur, Couleurs::champ().couleur());
    Formes::bordureInterieure(peintre, forme, rayonConteneur, Couleurs::contour().couleur());
    const qsizetype selectionne = indexSelectionne();
    if (selectionne >= 0) {
        Formes::remplir(peintre, m_pastille, rayonSegment, Couleurs::texte().couleur());
    }
    peintre.setFont(police());
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        peintre.setPen(i == selectionne ? Couleurs::fondPage().couleur()
                                        : Couleurs::texteAttenue().couleur());
        peintre.drawText(zoneSegment(i), Qt::AlignCenter, m_options.at(i).second);
    }
    if (hasFocus() && m_focusClavier) {
        Formes::anneauFocus(peintre, forme, rayonConteneur);
    }
}

void ValtoSegmented::mouseReleaseEvent(QMouseEvent* evenement)
{
    if (evenement->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(evenement);
        return;
    }
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        if (zoneSegment(i).contains(evenement->position())) {
            choisir(i);
        }
    }
}

void ValtoSegmented::keyPressEvent(QKeyEvent* evenement)
{
    const qsizetype index = indexSelectionne();
    if (evenement->key() == Qt::Key_Left) {
        choisir(qMax<qsizetype>(0, index - 1));
    } else if (evenement->key() == Qt::Key_Right) {
        choisir(index + 1);
    } else {
        QWidget::keyPressEvent(evenement);
    }
}

void ValtoSegmented::focusInEvent(QFocusEvent* evenement)
{
    m_focusClavier = focusVenuDuClavier(evenement->reason());
    QWidget::focusInEvent(evenement);
}

void ValtoSegmented::focusOutEvent(QFocusEvent* evenement)
{
    m_focusClavier = false;
    QWidget::focusOutEvent(evenement);
}
