#include "Icones.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

// The symbols live in a static library: their resource must be registered by name.
static void chargerRessources()
{
    static const bool chargees = [] {
        Q_INIT_RESOURCE(icones);
        return true;
    }();
    Q_UNUSED(chargees);
}

namespace Icones {

QPixmap pixmap(const QString& nom, qreal cote, const QColor& couleur, qreal ratio)
{
    const int pixels = qCeil(cote * ratio);
    const QString cle = u"valto-icone/%1/%2/%3/%4"_s.arg(nom).arg(pixels).arg(couleur.rgba()).arg(ratio);
    QPixmap resultat;
    if (QPixmapCache::find(cle, &resultat)) {
        return resultat;
    }
    chargerRessources();
    QSvgRenderer rendu(u":/icones/%1.svg"_s.arg(nom));
    if (!rendu.isValid() || pixels <= 0) {
        return {};
    }
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setRenderHint(QPainter::Antialiasing);
    rendu.render(&peintre, QRectF(0, 0, pixels, pixels));
    // Keep the drawing's coverage, replace its colour.
    peintre.setCompositionMode(QPainter::CompositionMode_SourceIn);
    peintre.fillRect(image.rect(), couleur);
    peintre.end();
    resultat = QPixmap::fromImage(std::move(image));
    resultat.setDevicePixelRatio(ratio);
    QPixmapCache::insert(cle, resultat);
    return resultat;
}

void dessiner(QPainter& peintre, const QRectF& zone, const QString& nom, qreal cote, const QColor& couleur)
{
    // The engine's device is the real target, also when a widget is rendered into an image.
    const QPaintDevice* cible =
        peintre.paintEngine() ? peintre.paintEngine()->paintDevice() : peintre.device();
    const qreal ratio = cible ? cible->devicePixelRatioF() : 1.0;
    const QPixmap image = pixmap(nom, cote, couleur, ratio);
    if (image.isNull()) {
        return;
    }
    const QSizeF taille = image.deviceIndependentSize();
    // On whole device pixels, or the symbol blurs.
    const QPointF coin(qRound((zone.center().x() - taille.width() / 2) * ratio) / ratio,
                       qRound((zone.center().y() - taille.height() / 2) * ratio) / ratio);
    peintre.drawPixmap(coin, image);
}

} // namespace Icones
