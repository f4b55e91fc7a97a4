#pragma once

#include <QString>
#include <QStringList>

// The studio's typefaces shipped beside the application, registered for this process only.
namespace PolicesEmbarquees {

inline const QStringList faces = {QStringLiteral("Aeonik-Regular"), QStringLiteral("Aeonik-Medium"),
                                  QStringLiteral("AeonikMono-Regular")};

// For each face, registers "<face>.otf" from `dossier`, or "<face>.ttf" when there is no .otf file.
// A face without a file is skipped and a file that cannot be registered is ignored: the design
// system then draws with the system fonts. Returns the files registered.
QStringList enregistrer(const QString& dossier);

} // namespace PolicesEmbarquees
