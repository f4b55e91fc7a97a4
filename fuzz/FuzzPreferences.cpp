#include "core/FormatJSON.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// A preference file of any content is read through the application's own format; what it reads
// must survive a save and a second read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    static const QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("preferences.json"));
    QFile::remove(chemin);
    {
        QFile fichier(chemin);
        if (!fichier.open(QIODevice::WriteOnly)) {
            std::abort();
        }
        fichier.write(reinterpret_cast<const char*>(donnees), static_cast<qint64>(taille));
    }
    QVariantMap lues;
    {
        QSettings preferences(chemin, formatPreferencesJSON());
        for (const QString& cle : preferences.allKeys()) {
            lues.insert(cle, preferences.value(cle));
        }
        preferences.setValue(QStringLiteral("fuzz"), 1);
    }
    QSettings relues(chemin, formatPreferencesJSON());
    if (!lues.isEmpty() && relues.status() == QSettings::NoError) {
        for (auto it = lues.cbegin(); it != lues.cend(); ++it) {
            if (relues.value(it.key()) != it.value()) {
                std::abort();
            }
        }
    }
    return 0;
}
