#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One sent transfer as the history keeps it; `token` is its identity.
struct Transfert final {
    QString token;
    QString titre;
    QString url;
    bool protege = false;
    QDateTime creeLe;
    std::optional<QDateTime> expireLe;
    qint64 nbFichiers = 0;
    qint64 octets = 0;
    std::optional<QString> motDePasse;
    std::optional<QString> type;

    // True when the link expires less than a day from `maintenant`, and has not expired yet.
    bool expireBientot(const QDateTime& maintenant = QDateTime::currentDateTimeUtc()) const;

    bool operator==(const Transfert&) const = default;
};

// Download and view figures of one transfer, as the server last reported them.
struct StatsTransfert final {
    qint64 nbVues = 0;
    std::optional<QDateTime> premiereVue;
    std::optional<QDateTime> derniereVue;
    qint64 nbTelechargements = 0;
    std::optional<QDateTime> dernierTelechargement;

    bool operator==(const StatsTransfert&) const = default;
};
