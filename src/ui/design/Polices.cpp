#include "Polices.h"

#include <QFontDatabase>
#include <QHash>
#include <QLocale>

namespace {

// "Aeonik-Medium" is family "Aeonik", style "Medium"; a registered file announces both.
QFont depuisFace(const QString& face, qreal points)
{
    const qsizetype tiret = face.lastIndexOf(u'-');
    QFont police(face.left(tiret));
    police.setStyleName(face.mid(tiret + 1));
    police.setPixelSize(qRound(points));
    return police;
}

bool estMoyenneOuPlus(QFont::Weight poids)
{
    return poids == QFont::Medium || poids == QFont::DemiBold || poids == QFont::Bold ||
           poids == QFont::ExtraBold;
}

} // namespace

namespace Polices {

bool faceUtilisable(const QString& face)
{
    // Asked from the UI thread only, like all drawing.
    static QHash<QString, bool> reponses;
    const auto connue = reponses.constFind(face);
    if (connue != reponses.constEnd()) {
        return *connue;
    }
    const QFont essai = depuisFace(face, 12);
    const bool utilisable = QFontDatabase::families().contains(essai.family()) &&
                            QFontDatabase::styles(essai.family()).contains(essai.styleName());
    reponses.insert(face, utilisable);
    return utilisable;
}

QFont texte(qreal points, QFont::Weight poids)
{
    if (faceUtilisable(faceTexteRegular)) {
        return depuisFace(estMoyenneOuPlus(poids) ? faceTexteMedium : faceTexteRegular, points);
    }
    QFont police = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    police.setPixelSize(qRound(points));
    police.setWeight(poids);
    return police;
}

QFont mono(qreal points)
{
    if (faceUtilisable(faceMono)) {
        return depuisFace(faceMono, points);
    }
    QFont police = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    police.setPixelSize(qRound(points));
    police.setWeight(QFont::Normal);
    return police;
}

QFont capitalesEspacees(qreal points)
{
    QFont police = mono(points);
    police.setLetterSpacing(QFont::AbsoluteSpacing, 0.06 * points);
    return police;
}

QString majuscules(const QString& texte)
{
    return QLocale(QLocale::French).toUpper(texte);
}

} // namespace Polices
