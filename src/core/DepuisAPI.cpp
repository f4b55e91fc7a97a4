#include "DepuisAPI.h"

#include "core/DateISO.h"

namespace {

std::optional<QDateTime> dateOptionnelle(const std::optional<QString>& texte)
{
    return texte ? lireDateISO(*texte) : std::nullopt;
}

} // namespace

Transfert transfertDepuisAPI(const TransfertAPI& reponse, const QString& motDePasseSaisi,
                             const QString& typeMode)
{
    Transfert t;
    t.token = reponse.token;
    t.titre = reponse.titre;
    t.url = reponse.url;
    t.protege = reponse.protege;
    t.creeLe = reponse.dateCreation();
    t.expireLe = dateOptionnelle(reponse.expireLe);
    t.nbFichiers = reponse.nbFichiers;
    t.octets = reponse.octets;
    if (!motDePasseSaisi.isEmpty()) {
        t.motDePasse = motDePasseSaisi;
    }
    t.type = reponse.type.value_or(typeMode);
    return t;
}

StatsTransfert statsDepuisAPI(const TransfertAPI& enregistrement)
{
    return StatsTransfert{
        .nbVues = enregistrement.nbVues.value_or(0),
        .premiereVue = dateOptionnelle(enregistrement.premiereVue),
        .derniereVue = dateOptionnelle(enregistrement.derniereVue),
        .nbTelechargements = enregistrement.nbTelechargements,
        .dernierTelechargement = dateOptionnelle(enregistrement.dernierTelechargement),
    };
}
