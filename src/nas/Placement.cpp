#include "nas/Placement.h"

#include <QTextBoundaryFinder>

#include <optional>

namespace {

qsizetype nombreDeGraphemes(const QString& texte)
{
    QTextBoundaryFinder limites(QTextBoundaryFinder::Grapheme, texte);
    qsizetype compte = 0;
    while (limites.toNextBoundary() != -1) {
        ++compte;
    }
    return compte;
}

QString apresGraphemes(const QString& texte, qsizetype compte)
{
    QTextBoundaryFinder limites(QTextBoundaryFinder::Grapheme, texte);
    for (qsizetype i = 0; i < compte; ++i) {
        if (limites.toNextBoundary() == -1) {
            return {};
        }
    }
    return texte.mid(limites.position());
}

// Paths from macOS arrive decomposed while share names usually arrive composed: compare canonically.
std::optional<QString> reference(const QString& chemin, const QString& partage, const QString& racineVolumes)
{
    const QString prefixe = racineVolumes + u'/' + partage + u'/';
    const QString cheminCompose = chemin.normalized(QString::NormalizationForm_C);
    if (!cheminCompose.startsWith(prefixe.normalized(QString::NormalizationForm_C))) {
        return std::nullopt;
    }
    return partage + u'/' + apresGraphemes(chemin, nombreDeGraphemes(prefixe));
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
