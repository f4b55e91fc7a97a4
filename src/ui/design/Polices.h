#pragma once

#include <QFont>
#include <QString>

// The two faces of the design system. The studio's faces are used when registered for the process,
// otherwise the system font (text) or the system's fixed-pitch font (monospaced), at the same size and
// weight. Sizes are points of the layout, drawn as that many device-independent pixels.
namespace Polices {

inline const QString faceTexteRegular = QStringLiteral("Aeonik-Regular");
inline const QString faceTexteMedium = QStringLiteral("Aeonik-Medium");
inline const QString faceMono = QStringLiteral("AeonikMono-Regular");

QFont texte(qreal points, QFont::Weight poids = QFont::Normal);
QFont mono(qreal points);

// The spaced capitals label: monospaced, regular, letter spacing 0.06 × size; pair with majuscules().
QFont capitalesEspacees(qreal points);
QString majuscules(const QString& texte);

// True when a face of that name ("Family-Style") can be instantiated. Decided once per face.
bool faceUtilisable(const QString& face);

} // namespace Polices
