#include "StatutTransfert.h"

#include "core/Affichage.h"
#include "design/Couleurs.h"

using namespace Qt::StringLiterals;

namespace StatutTransfert {

Statut depuis(const std::optional<StatsTransfert>& stats)
{
    if (!stats) {
        return Statut::inconnu;
    }
    if (stats->nbTelechargements >= 1) {
        return Statut::telecharge;
    }
    return stats->nbVues >= 1 ? Statut::ouvert : Statut::envoye;
}

QString mot(Statut statut)
{
    switch (statut) {
    case Statut::inconnu:
        return u"—"_s;
    case Statut::envoye:
        return u"Envoyé"_s;
    case Statut::ouvert:
        return u"Ouvert"_s;
    case Statut::telecharge:
        return u"Téléchargé"_s;
    }
    return {};
}

QString ligne(const std::optional<StatsTransfert>& stats)
{
    if (!stats) {
        return u"Statut inconnu — rafraîchir"_s;
    }
    // A download count without its date says too little: the views tell the story instead.
    if (stats->nbTelechargements >= 1 && stats->dernierTelechargement) {
        QString texte = u"Téléchargé le "_s + formaterDate(*stats->dernierTelechargement);
        if (stats->nbTelechargements != 1) {
            texte += u" · %1×"_s.arg(stats->nbTelechargements);
        }
        return texte;
    }
    if (stats->nbVues >= 1 && stats->premiereVue) {
        QString texte = u"Ouvert le "_s + formaterDate(*stats->premiereVue);
        if (stats->nbVues != 1) {
            texte += u" · %1 ouvertures"_s.arg(stats->nbVues);
        }
        return texte + u" · pas encore téléchargé"_s;
    }
    return u"Envoyé · pas encore ouvert"_s;
}

std::array<const Jeton*, 5> couleursFormes(Statut statut)
{
    const Jeton* piste = &Couleurs::ligne();
    const Jeton* attenue = &Couleurs::texteAttenue();
    const Jeton* vert = &Couleurs::succes();
    switch (statut) {
    case Statut::inconnu:
        return {piste, piste, piste, piste, piste};
    case Statut::envoye:
        return {attenue, piste, piste, piste, piste};
    case Statut::ouvert:
        return {attenue, attenue, attenue, piste, piste};
    case Statut::telecharge:
        return {vert, vert, vert, vert, vert};
    }
    return {piste, piste, piste, piste, piste};
}

} // namespace StatutTransfert
