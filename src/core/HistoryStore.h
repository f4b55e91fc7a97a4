#pragma once

#include "core/Plateforme.h"
#include "core/Transfert.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>

#include <functional>
#include <optional>

// The transfers this user has sent (newest first, persisted) and their latest server statistics.
class HistoryStore final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Transfert> transferts READ transferts NOTIFY transfertsChanged)
    Q_PROPERTY(QHash<QString, StatsTransfert> stats READ stats NOTIFY statsChanged)

public:
    static constexpr qsizetype capacite = 100;

    // The server's current figures by token; nothing when it could not be asked.
    using SourceStats = std::function<QCoro::Task<std::optional<QHash<QString, StatsTransfert>>>()>;

    HistoryStore(const Plateforme& plateforme, SourceStats sourceStats, QObject* parent = nullptr);

    QList<Transfert> transferts() const { return m_transferts; }
    QHash<QString, StatsTransfert> stats() const { return m_stats; }
    // Where the history lives; the folder is created on the way.
    QString cheminFichier() const;

    void ajouter(const Transfert& transfert);
    void mettreAJour(const QString& token, const QString& titre, const std::optional<QDateTime>& expireLe);
    void supprimer(const QString& token);
    // Replaces the statistics with the server's; a failure keeps the previous ones, silently.
    QCoro::Task<> rafraichir();
    // One transfer's figures as the server just announced them; the others stay as they are.
    void remplacerStats(const QString& token, const StatsTransfert& stats);

Q_SIGNALS:
    void transfertsChanged();
    void statsChanged();

private:
    void charger();
    void enregistrer();
    bool ecarterFichierIllisible(const QString& chemin);
    void setTransferts(QList<Transfert> transferts);
    void setStats(QHash<QString, StatsTransfert> stats);

    QString m_dossierDonnees;
    SourceStats m_sourceStats;
    QList<Transfert> m_transferts;
    QHash<QString, StatsTransfert> m_stats;
    // The file on disk could not be read: it is kept under another name before the first save.
    bool m_fichierIllisible = false;
};
