#include "core/Partages.h"

#include "core/Preferences.h"

#include <QDir>

#include <optional>

namespace {

std::optional<QStringList> listeDeChaines(const QVariant& valeur)
{
    if (valeur.typeId() == QMetaType::QStringList) {
        return valeur.toStringList();
    }
    if (valeur.typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    QStringList chaines;
    for (const QVariant& element : valeur.toList()) {
        if (element.typeId() != QMetaType::QString) {
            return std::nullopt;
        }
        chaines.append(element.toString());
    }
    return chaines;
}

} // namespace

QStringList partagesEnVigueur(const Preferences& preferences)
{
    return listeDeChaines(preferences.valeur(Preferences::clePartagesConnus)).value_or(partagesParDefaut);
}

void memoriserPartages(Preferences& preferences, const QStringList& liste)
{
    if (!liste.isEmpty()) {
        preferences.ecrire(Preferences::clePartagesConnus, liste);
    }
}

QString racineMontage(const Preferences& preferences, const QString& racineParDefaut)
{
    if (!preferences.contient(Preferences::cleNasMountPath)) {
        return racineParDefaut;
    }
    const QStringList partages = partagesEnVigueur(preferences);
    // Path text alone, like the placement: a share that is not mounted must not hold anything up.
    QString dossier = QDir::cleanPath(preferences.nasMountPath());
    if (!QDir::isAbsolutePath(dossier)) {
        return racineParDefaut;
    }
    for (qsizetype coupure = dossier.lastIndexOf(u'/'); coupure >= 0; coupure = dossier.lastIndexOf(u'/')) {
        // The root itself reads as "": "/DATA" then gives the references' prefix "/DATA/".
        const QString parent = dossier.left(coupure);
        if (partages.contains(dossier.mid(coupure + 1))) {
            return parent;
        }
        dossier = parent;
    }
    return racineParDefaut;
}
