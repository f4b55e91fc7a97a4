#pragma once

#include "api/EnregistrementsServeur.h"
#include "core/ErreurSysteme.h"
#include "core/Resultat.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <stop_token>
#include <variant>

class Preferences;
class QNetworkReply;

// What the transfer server client itself reports: a refused answer, a redirect (never followed, its
// target in `message`), or no usable configuration.
struct TransferAPIErreur final {
    enum class Cas { http, redirection, configurationManquante };

    Cas cas = Cas::http;
    int status = 0;
    QString message;

    static TransferAPIErreur http(int status, QString message)
    {
        return {Cas::http, status, std::move(message)};
    }
    static TransferAPIErreur redirection(int status, QString cible)
    {
        return {Cas::redirection, status, std::move(cible)};
    }
    static TransferAPIErreur configurationManquante() { return {Cas::configurationManquante, 0, {}}; }

    QString description() const;
    bool operator==(const TransferAPIErreur&) const = default;
};

using ErreurAPI = std::variant<TransferAPIErreur, ErreurSysteme>;

// Body of a creation; encoded with its keys in this order, absent options left out.
struct CorpsCreation final {
    QString token;
    QString titre;
    QString expediteur;
    qint64 expireJours = 0;
    std::optional<QString> motDePasse;
    QStringList fichiers;
    QString type;
    std::optional<QStringList> ordre;

    QByteArray versJSON() const;
    bool operator==(const CorpsCreation&) const = default;
};

// Body of a change: only what changes is sent.
struct CorpsModification final {
    std::optional<QString> titre;
    std::optional<qint64> expireJours;

    QByteArray versJSON() const;
    bool operator==(const CorpsModification&) const = default;
};

// One request ready to go on the shared session.
struct RequeteAPI final {
    QNetworkRequest requete;
    QByteArray methode;
    QByteArray corps;
    // A stop request abandons the exchange: the answer is dropped and the request fails.
    std::stop_token arret{};
    // Since when the user waits: a timeout says how long that was.
    std::chrono::steady_clock::time_point debutAttente{};
};

// Client of the transfer server; made afresh from the preferences for each operation. Each operation copies
// what it needs before it first suspends, so the client may be gone when the answer arrives.
// Everywhere in this code a task is named before it is awaited (`auto tache = f(); co_await tache;`), never
// awaited as a temporary: g++ 12 may destroy the temporaries of a co_await expression twice.
struct TransferAPI final {
    QString baseURL;
    QString apiKey;
    // Abandons every request of this client once stopped (a send the user gave up).
    std::stop_token arret{};
    // When the user began to wait for the server, if before this client's request: a timeout text then
    // counts the whole wait, not only the last request's.
    std::optional<std::chrono::steady_clock::time_point> debutAttente{};
    // With no byte coming for this long, a request gives up.
    std::chrono::milliseconds delai{30'000};

    static TransferAPI depuisPreferences(Preferences& preferences);

    // After a conflict (409) or a lost answer, the server's list decides: a transfer listed with this token
    // and this title was registered by an earlier attempt, and is the result.
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> creerTransfert(CorpsCreation corps) const;
    QCoro::Task<Resultat<QList<TransfertAPI>, ErreurAPI>> listerTransferts() const;
    QCoro::Task<Resultat<QStringList, ErreurAPI>> listerPartages() const;
    QCoro::Task<Resultat<TransfertAPI, ErreurAPI>> modifierTransfert(QString token,
                                                                     CorpsModification corps) const;
    QCoro::Task<Resultat<void, ErreurAPI>> supprimerTransfert(QString token) const;

    // Authenticated request for `chemin` (appended to baseURL as is), with the idle timeout `delai`.
    Resultat<RequeteAPI, TransferAPIErreur> requete(const QString& chemin, const QByteArray& methode,
                                                    const QByteArray& corps = {}) const;
    // Passes only on exactly `statutAttendu`; otherwise the status with the answer's "detail" text.
    static Resultat<void, TransferAPIErreur> verifierReponse(const QByteArray& corps,
                                                             const QNetworkReply& reponse, int statutAttendu);
};
