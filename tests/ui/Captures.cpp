#include "Captures.h"

#include "design/Apparence.h"
#include "design/Couleurs.h"
#include "design/Polices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// A channel may move this much before its pixel counts as changed: the raster engine's CPU paths round
// blends differently.
constexpr int ecartCanalTolere = 8;
// Up to this share of the pixels may change beyond that: edges of antialiased glyphs and curves.
constexpr double partPixelsToleree = 0.0002;

const QString dossierReferences = QStringLiteral(VALTO_DOSSIER_REFERENCES);
const QString dossierCaptures = QStringLiteral(VALTO_DOSSIER_CAPTURES);

bool ecrireReferences()
{
    return qEnvironmentVariable("VALTO_REFERENCES") == u"ecrire"_s;
}

// The pictures are only comparable drawn with the typeface the test main pins.
QString policeManquante()
{
    const QString famille = QFontInfo(Polices::texte(13)).family();
    return famille == u"DejaVu Sans"_s
               ? QString()
               : u"le texte s’affiche en « %1 » et non en DejaVu Sans : installez fonts-dejavu-core "
                 u"(scripts/setup.sh)"_s.arg(famille);
}

// "fenetre-refus du serveur" gives "fenetre-refus-du-serveur": no spaces nor accents in file names.
QString nomFichier(const QString& nom)
{
    QString sortie;
    for (const QChar c : nom.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber() && c.unicode() < 128) {
            sortie.append(c.toLower());
        } else if (!c.isMark() && !sortie.endsWith(u'-')) {
            sortie.append(u'-');
        }
    }
    return sortie;
}

struct Ecarts {
    qsizetype pixels = 0;
    int maximum = 0;
    // The reference faded to grey, changed pixels in red; pixels beyond either picture count as changed.
    QImage carte;
};

Ecarts mesurer(const QImage& obtenue, const QImage& reference)
{
    Ecarts ecarts;
    ecarts.carte = QImage(obtenue.size().expandedTo(reference.size()), QImage::Format_RGB32);
    for (int y = 0; y < ecarts.carte.height(); ++y) {
        for (int x = 0; x < ecarts.carte.width(); ++x) {
            const bool dansLesDeux = obtenue.rect().contains(x, y) && reference.rect().contains(x, y);
            const QRgb a = dansLesDeux ? obtenue.pixel(x, y) : 0;
            const QRgb b = dansLesDeux ? reference.pixel(x, y) : 0xffffff;
            const int ecart = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                        std::abs(qBlue(a) - qBlue(b))});
            ecarts.maximum = std::max(ecarts.maximum, ecart);
            const bool change = ecart > ecartCanalTolere;
            ecarts.pixels += change;
            const int gris = 192 + qGray(b) / 4;
            ecarts.carte.setPixel(x, y, change ? qRgb(255, 0, 0) : qRgb(gris, gris, gris));
        }
    }
    return ecarts;
}

QString verifier(const QImage& obtenue, const QString& nom)
{
    const QString chemin = dossierCaptures + u'/' + nom + u".png"_s;
    const QString cheminEcarts = dossierCaptures + u'/' + nom + u"-ecarts.png"_s;
    const QString cheminReference = dossierReferences + u'/' + nom + u".png"_s;
    obtenue.save(chemin);
    QFile::remove(cheminEcarts);
    if (ecrireReferences()) {
        // Slowest compression: the references live in the repository.
        return obtenue.save(cheminReference, "PNG", 0) ? QString() : u"%1 : écriture impossible"_s.arg(cheminReference);
    }
    const QImage reference(cheminReference);
    if (reference.isNull()) {
        return u"%1 : référence absente (%2) ; créez-la avec scripts/references.sh, regardez-la, versionnez-la"_s
            .arg(nom, cheminReference);
    }
    const Ecarts ecarts = mesurer(obtenue, reference.convertToFormat(QImage::Format_RGB32));
    const qsizetype tolere = qFloor(partPixelsToleree * obtenue.width() * obtenue.height());
    if (obtenue.size() == reference.size() && ecarts.pixels <= tolere) {
        return {};
    }
    ecarts.carte.save(cheminEcarts);
    const QString taille = obtenue.size() == reference.size()
                               ? QString()
                               : u"%1 × %2 au lieu de %3 × %4, "_s.arg(obtenue.width())
                                     .arg(obtenue.height())
                                     .arg(reference.width())
                                     .arg(reference.height());
    return u"%1 : %2%3 pixels changés pour %4 tolérés, écart jusqu’à %5/255 ; obtenue %6, écarts en rouge %7"_s
        .arg(nom, taille)
        .arg(ecarts.pixels)
        .arg(tolere)
        .arg(ecarts.maximum)
        .arg(chemin, cheminEcarts);
}

} // namespace

namespace Captures {

QString comparer(QWidget& widget, const QString& nom)
{
    if (const QString manque = policeManquante(); !manque.isEmpty()) {
        return manque;
    }
    QDir().mkpath(dossierCaptures);
    // Only pending layouts: a comparison may run inside a flow's signal, which must not move on meanwhile.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList ecarts;
    for (const auto& [mode, suffixe] :
         {std::pair(Apparence::Mode::sombre, u"-sombre"_s), std::pair(Apparence::Mode::clair, u"-clair"_s)}) {
        Apparence::instance().forcer(mode);
        const QString ecart = verifier(image(widget), nomFichier(nom) + suffixe);
        if (!ecart.isEmpty()) {
            ecarts.append(ecart);
        }
    }
    return ecarts.join(u'\n');
}

QImage image(QWidget& widget)
{
    QImage rendu(widget.size(), QImage::Format_RGB32);
    rendu.fill(Couleurs::fondPage().couleur());
    widget.render(&rendu, {}, {}, QWidget::DrawChildren);
    return rendu;
}

} // namespace Captures
