#pragma once

#include "api/EnregistrementsServeur.h"
#include "api/LecteurSSE.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <utility>

class Preferences;
class QNetworkReply;

// Listens to the server's event stream while the application runs. A lost stream, or a key still missing,
// is tried again after a growing delay; a server without a stream (404) is left alone for the rest of the
// run, unless the settings name another server or key.
class EcouteEvenements final : public QObject {
    Q_OBJECT

public:
    explicit EcouteEvenements(Preferences& preferences, QObject* parent = nullptr);
    ~EcouteEvenements() override;

    // Listens with the server and key of the moment; does nothing while they are those already in use.
    void demarrer();
    bool fluxOuvert() const { return m_fluxOuvert; }

    // The first delay before reconnecting, doubled at each failure up to `delaiMax`.
    std::chrono::milliseconds delaiInitial{1000};
    std::chrono::milliseconds delaiMax{60'000};
    // A stream that lasted this long was a success: the next failure starts the delays afresh.
    std::chrono::milliseconds dureeStable{60'000};
    // The server writes at least every 15 s; this long without a byte means the connection is gone.
    std::chrono::milliseconds silenceMax{45'000};

Q_SIGNALS:
    void fluxOuvertChange(bool ouvert);
    void transfertOuvert(const TransfertAPI& transfert);
    void transfertTelecharge(const TransfertAPI& transfert);

private:
    std::pair<QString, QString> configurationDesPreferences() const;
    void connecter();
    // After a failure, or a stream that lasted (`apresUnSucces`): the delays start afresh.
    void reprendrePlusTard(bool apresUnSucces);
    void abandonner();
    void surEntetes();
    void surDonnees();
    void surFin();
    void emettre(const EvenementSSE& evenement);
    void setFluxOuvert(bool ouvert);

    Preferences& m_preferences;
    // The server and key of the last attempt.
    std::pair<QString, QString> m_configuration;
    QPointer<QNetworkReply> m_reponse;
    LecteurSSE m_lecteur;
    QTimer m_reprise;
    // Failures since the last lasting stream: the next delay doubles with each.
    int m_echecs = 0;
    std::chrono::steady_clock::time_point m_ouvertureFlux;
    bool m_fluxOuvert = false;
    bool m_demarre = false;
};
