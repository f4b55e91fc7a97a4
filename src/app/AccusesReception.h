#pragma once

#include "api/EnregistrementsServeur.h"
#include "core/Plateforme.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

class HistoryStore;
class NotificationsBureau;
class Preferences;

// What the server's receipts change: the entry's statistics at once, and a desktop notice for the first
// opening of a link and for its downloads, those of one minute gathered into one notice.
class AccusesReception final : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 dureeRegroupement = 60;

    AccusesReception(HistoryStore& historique, Preferences& preferences, NotificationsBureau& notifications,
                     Plateforme plateforme, QObject* parent = nullptr);

    void surOuverture(const TransfertAPI& transfert);
    void surTelechargement(const TransfertAPI& transfert);

private:
    // Stores the new figures; the title of the history's entry when the user should hear of it.
    std::optional<QString> appliquer(const TransfertAPI& transfert, bool nouveau);
    QString heure(const std::optional<QDateTime>& instant) const;

    // The downloads told in the notice still shown for one transfer.
    struct Regroupement {
        QString cle;
        QDateTime debut;
        int nombre = 0;
    };

    HistoryStore& m_historique;
    Preferences& m_preferences;
    NotificationsBureau& m_notifications;
    Plateforme m_plateforme;
    QHash<QString, Regroupement> m_telechargements;
    quint64 m_numero = 0;
};
