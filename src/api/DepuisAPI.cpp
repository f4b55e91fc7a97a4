#include "api/DepuisAPI.h"

#include "api/TransferAPI.h"
#include "core/DateISO.h"

namespace {

std::optional<QDateTime> dateOptionnelle(const std::optional<QString>& texte)
{
    return texte ? lireDateISO(*texte) : std::nullopt;
}

QCoro::Task<std::optional<QHash<QString, StatsTransfert>>> demanderStats(TransferAPI api)
{
    QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> demande = api.listerTransferts();
    const Resultat<QList<TransfertAPI>, ErreurAPI> liste = co_await demande;
    if (!liste) {
        co_return std::nullopt;
    }
    QHash<QString, StatsTransfert> stats;
    for (const TransfertAPI& enregistrement : *liste) {
        stats.insert(enregistrement.token, statsDepuisAPI(enregistrement));
    }
    co_return stats;
}

} // namespace

Transfert transfertDepuisAPI(const TransfertAPI& reponse, const QString& motDePasseSaisi,
                             const QString& typeMode, const QDateTime& maintenant)
{
    Transfert t;
    t.token = reponse.token;
    t.titre = reponse.titre;
    t.url = reponse.url;
    t.protege = reponse.protege;
    t.creeLe = reponse.dateCreation(maintenant);
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

HistoryStore::SourceStats statsDuServeur(Preferences& preferences)
{
    return [&preferences] { return demanderStats(TransferAPI::depuisPreferences(preferences)); };
}
