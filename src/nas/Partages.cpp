#include "nas/Partages.h"

#include "core/Preferences.h"

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
