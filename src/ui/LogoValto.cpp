#include "LogoValto.h"

#include "design/ControleValto.h"
#include "design/Couleurs.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QSvgRenderer>

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
    const QSizeF dessin = QSvgRenderer(cheminLockup).defaultSize();
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
    QImage image((m_taille * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return;
    }
    image.fill(Qt::transparent);
    QPainter dessin(&image);
    dessin.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(cheminLockup).render(&dessin, QRectF(QPointF(), m_taille * ratio));
    // Keep the drawing's coverage, paint it in the text colour.
    dessin.setCompositionMode(QPainter::CompositionMode_SourceIn);
    dessin.fillRect(image.rect(), Couleurs::texte().couleur());
    dessin.end();
    image.setDevicePixelRatio(ratio);
    peintre.drawImage(QPointF(0, (height() - m_taille.height()) / 2), image);
}
