#include "nas/Placement.h"

#include <optional>

namespace {

// Paths from macOS arrive decomposed while share names usually arrive composed: compare canonically.
// The cut falls after as many slashes as the prefix holds, so the rest keeps every character as it came,
// a combining mark right after the share's folder included.
std::optional<QString> reference(const QString& chemin, const QString& partage, const QString& racineVolumes)
{
    const QString prefixe = racineVolumes + u'/' + partage + u'/';
    qsizetype coupure = 0;
    for (qsizetype barres = prefixe.count(u'/'); barres > 0; --barres) {
        coupure = chemin.indexOf(u'/', coupure);
        if (coupure < 0) {
            return std::nullopt;
        }
        ++coupure;
    }
    const auto compose = [](const QString& texte) { return texte.normalized(QString::NormalizationForm_C); };
    if (compose(chemin.left(coupure)) != compose(prefixe)) {
        return std::nullopt;
    }
    return partage + u'/' + chemin.mid(coupure);
}

} // namespace

Placement classer(const QStringList& chemins, const QStringList& partages, const QString& racineVolumes)
{
    Placement placement;
    for (const QString& chemin : chemins) {
        std::optional<QString> trouvee;
        for (const QString& partage : partages) {
            trouvee = reference(chemin, partage, racineVolumes);
            if (trouvee) {
                break;
            }
        }
        if (trouvee) {
            placement.references.append(*trouvee);
        } else {
            placement.horsNAS.append(chemin);
        }
    }
    return placement;
}
