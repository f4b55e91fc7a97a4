#include "Captures.h"

#include "design/Apparence.h"
#include "design/Couleurs.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace Captures {

void enregistrer(QWidget& widget, const QString& nom)
{
    const QString dossier = QStringLiteral(VALTO_DOSSIER_CAPTURES);
    QDir().mkpath(dossier);
    for (const auto& [mode, suffixe] :
         {std::pair(Apparence::Mode::sombre, u"sombre"_s), std::pair(Apparence::Mode::clair, u"clair"_s)}) {
        Apparence::instance().forcer(mode);
        QCoreApplication::processEvents();
        QPixmap rendu(widget.size() * 2);
        rendu.setDevicePixelRatio(2);
        rendu.fill(Couleurs::fondPage().couleur());
        widget.render(&rendu, {}, {}, QWidget::DrawChildren);
        rendu.save(u"%1/%2-%3.png"_s.arg(dossier, nom, suffixe));
    }
}

QImage image(QWidget& widget)
{
    QImage rendu(widget.size(), QImage::Format_ARGB32_Premultiplied);
    rendu.fill(Couleurs::fondPage().couleur());
    widget.render(&rendu, {}, {}, QWidget::DrawChildren);
    return rendu;
}

} // namespace Captures
