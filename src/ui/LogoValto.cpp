#include "LogoValto.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"

#include <QPaintEngine>
#include <QPainter>

using namespace Qt::StringLiterals;

// The lockup lives in a static library: its resource must be registered by name.
static void chargerRessources()
{
    static const bool chargees = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    Q_UNUSED(chargees);
}

namespace {
const QString cheminLockup = u":/images/LockupValtoTransfer.svg"_s;
}

LogoValto::LogoValto(QWidget* parent)
    : QWidget(parent)
{
    chargerRessources();
    m_dessin.load(cheminLockup);
    const QSizeF dessin = m_dessin.defaultSize();
    m_taille = dessin.isEmpty() ? QSizeF() : dessin.scaled(QSizeF(1e6, hauteur), Qt::KeepAspectRatio);
    setFixedHeight(hauteur);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(u"Valto Transfer"_s);
    suivreApparence(this);
}

QSize LogoValto::sizeHint() const
{
    return QSize(qCeil(m_taille.width()), hauteur);
}

void LogoValto::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    const QPaintDevice* cible =
        peintre.paintEngine() ? peintre.paintEngine()->paintDevice() : peintre.device();
    const qreal ratio = cible ? cible->devicePixelRatioF() : 1.0;
    const QColor couleur = Couleurs::texte().couleur();
    if (m_image.isNull() || m_image.devicePixelRatio() != ratio || m_couleurImage != couleur) {
        m_image = dessiner(ratio, couleur);
        m_couleurImage = couleur;
    }
    peintre.drawImage(QPointF(0, (height() - m_taille.height()) / 2), m_image);
}

QImage LogoValto::dessiner(qreal ratio, const QColor& couleur)
{
    QImage image((m_taille * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::transparent);
    QPainter dessin(&image);
    dessin.setRenderHint(QPainter::Antialiasing);
    m_dessin.render(&dessin, QRectF(QPointF(), m_taille * ratio));
    // Keep the drawing's coverage, paint it in the text colour.
    dessin.setCompositionMode(QPainter::CompositionMode_SourceIn);
    dessin.fillRect(image.rect(), couleur);
    dessin.end();
    image.setDevicePixelRatio(ratio);
    return image;
}
