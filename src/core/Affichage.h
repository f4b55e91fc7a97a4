#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Small helpers every screen uses to show transfers.

inline const QString alphabetToken = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");

// The expiry choices every screen offers, in days; 0 never expires.
inline const QList<qint64> choixExpiration = {1, 3, 7, 14, 30, 0};

// Ten characters of `alphabetToken`, drawn without bias from the system's secure source.
QString nouveauToken();

// Decimal units: "999 o", "1,5 Ko", "150 Ko", "10000 To".
QString formaterTaille(qint64 octets);

// "jamais" for 0, otherwise "1 jour", "3 jours"…
QString formaterExpiration(qint64 jours);

// "4 décembre 2026", in the local time zone.
QString formaterDate(const QDateTime& instant);

// At most `longueurMax` characters: a longer text keeps its start and its end around "…", so a long path
// still shows its share and its file name.
QString abregerAuMilieu(const QString& texte, qsizetype longueurMax);
