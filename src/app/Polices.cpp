#include "Polices.h"

#include <QFileInfo>
#include <QFontDatabase>

using namespace Qt::StringLiterals;

namespace PolicesEmbarquees {

QStringList enregistrer(const QString& dossier)
{
    QStringList enregistrees;
    for (const QString& face : faces) {
        QString fichier = dossier + u'/' + face + u".otf"_s;
        if (!QFileInfo(fichier).isFile()) {
            fichier = dossier + u'/' + face + u".ttf"_s;
        }
        if (QFileInfo(fichier).isFile() && QFontDatabase::addApplicationFont(fichier) != -1) {
            enregistrees.append(fichier);
        }
    }
    return enregistrees;
}

} // namespace PolicesEmbarquees
