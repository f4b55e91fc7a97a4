#pragma once

#include <QDateTime>
#include <QString>

// Small helpers every screen uses to show transfers.

inline const QString alphabetToken = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");

// Ten characters of `alphabetToken`, drawn without bias from the system's secure source.
QString nouveauToken();

// Decimal units: "999 o", "1,5 Ko", "150 Ko", "10000 To".
QString formaterTaille(qint64 octets);

// "4 décembre 2026", in the local time zone.
QString formaterDate(const QDateTime& instant);

// At most `longueurMax` characters: a longer text keeps its start and its end around "…", so a long path
// still shows its share and its file name.
QString abregerAuMilieu(const QString& texte, qsizetype longueurMax);
