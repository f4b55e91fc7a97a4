#pragma once

#include "core/ErreurSysteme.h"
#include "core/Resultat.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

// The server's record of one transfer, as every answer that carries a transfer sends it.
struct TransfertAPI final {
    QString token;
    QString titre;
    QString url;
    bool protege = false;
    QString creeLe;
    std::optional<QString> expireLe;
    qint64 nbTelechargements = 0;
    std::optional<QString> dernierTelechargement;
    std::optional<qint64> nbVues;
    std::optional<QString> premiereVue;
    std::optional<QString> derniereVue;
    std::optional<QString> type;
    qint64 nbFichiers = 0;
    qint64 octets = 0;

    // When the server created the transfer; `maintenant` when its date does not parse.
    QDateTime dateCreation(const QDateTime& maintenant) const;

    // Fails when a required key is absent, null or of another JSON type; unknown keys are ignored.
    static Resultat<TransfertAPI> depuisJSON(const QJsonValue& json);

    bool operator==(const TransfertAPI&) const = default;
};
