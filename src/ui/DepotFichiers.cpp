#include "DepotFichiers.h"

#include <QMimeData>
#include <QUrl>

QStringList cheminsDeposes(const QMimeData* donnees)
{
    QStringList chemins;
    if (!donnees || !donnees->hasUrls()) {
        return chemins;
    }
    for (const QUrl& url : donnees->urls()) {
        if (url.isLocalFile()) {
            chemins.append(url.toLocalFile());
        }
    }
    return chemins;
}
