#include "core/HistoryStore.h"

#include "core/FichierHistorique.h"
#include "core/FichiersPrives.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

// Far above 100 entries: anything larger is not a history this application wrote.
constexpr qint64 tailleMaxFichier = 16 * 1024 * 1024;

bool occupe(const QString& chemin)
{
    const QFileInfo info(chemin);
    return info.exists() || info.isSymLink();
}

} // namespace

HistoryStore::HistoryStore(const Plateforme& plateforme, SourceStats sourceStats, QObject* parent)
    : QObject(parent)
    , m_dossierDonnees(plateforme.dossierDonnees)
    , m_sourceStats(std::move(sourceStats))
{
    charger();
}

QString HistoryStore::cheminFichier() const
{
    const QString dossier = m_dossierDonnees + u"/Valto Transfer"_s;
    creerDossierPrive(dossier);
    return dossier + u"/historique.json"_s;
}

void HistoryStore::charger()
{
    const QString chemin = cheminFichier();
    const std::optional<QByteArray> octets = lireFichierOrdinaire(chemin, tailleMaxFichier);
    if (!octets) {
        // Missing is the normal first start; anything else there must survive the first save.
        m_fichierIllisible = occupe(chemin);
        return;
    }
    const std::optional<QList<Transfert>> lus = decoderHistorique(*octets);
    m_fichierIllisible = !lus;
    setTransferts(lus.value_or(QList<Transfert>()));
}

void HistoryStore::enregistrer()
{
    const QByteArray octets = encoderHistorique(m_transferts);
    const QString chemin = cheminFichier();
    if (m_fichierIllisible && !ecarterFichierIllisible(chemin)) {
        return;
    }
    // A failed write is ignored: the list stays in memory and the next save writes all of it.
    // The file keeps every password typed: readable by its owner only, set before anything is written.
    QSaveFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly) && fichier.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
        fichier.write(octets) == octets.size()) {
        fichier.commit();
    }
}

bool HistoryStore::ecarterFichierIllisible(const QString& chemin)
{
    if (occupe(chemin) && !mettreDeCote(chemin)) {
        return false;
    }
    m_fichierIllisible = false;
    return true;
}

void HistoryStore::ajouter(const Transfert& transfert)
{
    QList<Transfert> liste = m_transferts;
    liste.prepend(transfert);
    if (liste.size() > capacite) {
        liste.resize(capacite);
    }
    setTransferts(std::move(liste));
    enregistrer();
}

void HistoryStore::mettreAJour(const QString& token, const QString& titre,
                               const std::optional<QDateTime>& expireLe)
{
    QList<Transfert> liste = m_transferts;
    const auto entree =
        std::find_if(liste.begin(), liste.end(), [&](const Transfert& t) { return t.token == token; });
    if (entree == liste.end()) {
        return;
    }
    entree->titre = titre;
    entree->expireLe = expireLe;
    setTransferts(std::move(liste));
    enregistrer();
}

void HistoryStore::supprimer(const QString& token)
{
    QList<Transfert> liste = m_transferts;
    liste.removeIf([&](const Transfert& t) { return t.token == token; });
    setTransferts(std::move(liste));
    enregistrer();
}

QCoro::Task<> HistoryStore::rafraichir()
{
    const QPointer<HistoryStore> garde(this);
    QCoro::Task<std::optional<QHash<QString, StatsTransfert>>> demande = m_sourceStats();
    std::optional<QHash<QString, StatsTransfert>> stats = co_await demande;
    if (!garde || !stats) {
        co_return;
    }
    setStats(std::move(*stats));
}

void HistoryStore::remplacerStats(const QString& token, const StatsTransfert& stats)
{
    QHash<QString, StatsTransfert> toutes = m_stats;
    toutes.insert(token, stats);
    setStats(std::move(toutes));
}

void HistoryStore::setTransferts(QList<Transfert> transferts)
{
    if (transferts == m_transferts) {
        return;
    }
    m_transferts = std::move(transferts);
    Q_EMIT transfertsChanged();
}

void HistoryStore::setStats(QHash<QString, StatsTransfert> stats)
{
    if (stats == m_stats) {
        return;
    }
    m_stats = std::move(stats);
    Q_EMIT statsChanged();
}
