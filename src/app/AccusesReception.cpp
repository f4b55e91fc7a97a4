#include "AccusesReception.h"

#include "api/DepuisAPI.h"
#include "core/HistoryStore.h"
#include "NotificationsBureau.h"
#include "core/Preferences.h"

using namespace Qt::StringLiterals;

AccusesReception::AccusesReception(HistoryStore& historique, Preferences& preferences,
                                   NotificationsBureau& notifications, Plateforme plateforme, QObject* parent)
    : QObject(parent)
    , m_historique(historique)
    , m_preferences(preferences)
    , m_notifications(notifications)
    , m_plateforme(std::move(plateforme))
{
}

void AccusesReception::surOuverture(const TransfertAPI& transfert)
{
    const StatsTransfert avant = m_historique.stats().value(transfert.token);
    // Only the first view is news; a repeated event brings the same count again.
    const bool premiere = transfert.nbVues.value_or(0) == 1 && avant.nbVues == 0;
    const std::optional<QString> titre = appliquer(transfert, premiere);
    if (!titre) {
        return;
    }
    m_notifications.publier(u"ouverture/"_s + transfert.token, u"« %1 » a été ouvert"_s.arg(*titre),
                            u"À %1"_s.arg(heure(statsDepuisAPI(transfert).premiereVue)), transfert.token);
}

void AccusesReception::surTelechargement(const TransfertAPI& transfert)
{
    const bool nouveau =
        transfert.nbTelechargements > m_historique.stats().value(transfert.token).nbTelechargements;
    const std::optional<QString> titre = appliquer(transfert, nouveau);
    if (!titre) {
        return;
    }
    const QDateTime maintenant = m_plateforme.maintenant();
    Regroupement& regroupement = m_telechargements[transfert.token];
    if (regroupement.cle.isEmpty() || regroupement.debut.secsTo(maintenant) >= dureeRegroupement) {
        regroupement = {u"telechargement/%1/%2"_s.arg(transfert.token).arg(++m_numero), maintenant, 0};
    }
    ++regroupement.nombre;
    const QString quand = heure(statsDepuisAPI(transfert).dernierTelechargement);
    const QString corps = regroupement.nombre == 1
                              ? u"À %1"_s.arg(quand)
                              : u"%1 fois, la dernière à %2"_s.arg(regroupement.nombre).arg(quand);
    m_notifications.publier(regroupement.cle, u"« %1 » a été téléchargé"_s.arg(*titre), corps,
                            transfert.token);
}

std::optional<QString> AccusesReception::appliquer(const TransfertAPI& transfert, bool nouveau)
{
    m_historique.remplacerStats(transfert.token, statsDepuisAPI(transfert));
    if (!nouveau || !m_preferences.prevenirReceptions()) {
        return std::nullopt;
    }
    // Links sent from another computer are not this user's to hear about.
    const QList<Transfert> transferts = m_historique.transferts();
    const auto entree = std::find_if(transferts.cbegin(), transferts.cend(),
                                     [&](const Transfert& t) { return t.token == transfert.token; });
    return entree == transferts.cend() ? std::nullopt : std::optional(entree->titre);
}

QString AccusesReception::heure(const std::optional<QDateTime>& instant) const
{
    return instant.value_or(m_plateforme.maintenant()).toLocalTime().toString(u"HH:mm"_s);
}
