#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

// Reads an XML property list (the encoding hdiutil writes with -plist) into nested QVariants:
// dict → QVariantMap, array → QVariantList, string/date → QString, integer → qint64, real → double,
// true/false → bool, data → QByteArray. Absent when the text is not a well-formed property list.
std::optional<QVariant> lireListePropriete(const QByteArray& texte);

// The first "mount-point" string among the "system-entities" of hdiutil attach's output.
std::optional<QString> premierPointMontage(const QByteArray& sortieAttach);
