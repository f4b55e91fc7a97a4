#include "Captures.h"

#include "design/Apparence.h"
#include "design/Couleurs.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace Captures {

void enregistrer(QWidget& widget, const QString& nom)
{
    const QString dossier = QStringLiteral(VALTO_DOSSIER_CAPTURES);
    QDir().mkpath(dossier);
    constexpr qreal ratio = 2.0;
    constexpr int ecart = 8;
    QList<QPixmap> rendus;
    for (const Apparence::Mode mode : {Apparence::Mode::clair, Apparence::Mode::sombre}) {
        Apparence::instance().forcer(mode);
        QCoreApplication::processEvents();
        QPixmap rendu(widget.size() * ratio);
        rendu.setDevicePixelRatio(ratio);
        rendu.fill(Couleurs::fondPage().couleur());
        widget.render(&rendu, {}, {}, QWidget::DrawChildren);
        const QString suffixe = mode == Apparence::Mode::clair ? u"clair"_s : u"sombre"_s;
        rendu.save(u"%1/%2-%3.png"_s.arg(dossier, nom, suffixe));
        rendus.append(rendu);
    }
    // Both appearances side by side, for review.
    QImage cote(QSize(widget.width() * 2 + ecart, widget.height()) * ratio, QImage::Format_ARGB32);
    cote.setDevicePixelRatio(ratio);
    cote.fill(Qt::transparent);
    QPainter peintre(&cote);
    peintre.drawPixmap(QPointF(0, 0), rendus.at(0));
    peintre.drawPixmap(QPointF(widget.width() + ecart, 0), rendus.at(1));
    peintre.end();
    cote.save(u"%1/%2.png"_s.arg(dossier, nom));
    Apparence::instance().forcer(Apparence::Mode::clair);
    QCoreApplication::processEvents();
}

QImage image(QWidget& widget)
{
    QImage rendu(widget.size(), QImage::Format_ARGB32_Premultiplied);
    rendu.fill(Couleurs::fondPage().couleur());
    widget.render(&rendu, {}, {}, QWidget::DrawChildren);
    return rendu;
}

QColor pixel(QWidget& widget, QPoint point)
{
    return image(widget).pixelColor(point);
}

} // namespace Captures
