#include "api/EcouteEvenements.h"

#include "api/ReseauPartage.h"
#include "api/TransferAPI.h"
#include "core/Preferences.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace Qt::StringLiterals;

EcouteEvenements::EcouteEvenements(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
{
    m_reprise.setSingleShot(true);
    connect(&m_reprise, &QTimer::timeout, this, &EcouteEvenements::connecter);
}

EcouteEvenements::~EcouteEvenements()
{
    abandonner();
}

void EcouteEvenements::demarrer()
{
    if (m_demarre && configurationDesPreferences() == m_configuration) {
        return;
    }
    m_demarre = true;
    m_echecs = 0;
    connecter();
}

std::pair<QString, QString> EcouteEvenements::configurationDesPreferences() const
{
    return {m_preferences.apiBaseURL(), m_preferences.apiKey()};
}

void EcouteEvenements::connecter()
{
    abandonner();
    // Read at each attempt: the key may come from the NAS once its share is mounted.
    m_configuration = configurationDesPreferences();
    TransferAPI api{m_configuration.first, m_configuration.second};
    api.delai = silenceMax;
    Resultat<RequeteAPI, TransferAPIErreur> preparee = api.requete(u"/api/evenements"_s, "GET");
    if (!preparee) {
        reprendrePlusTard(false);
        return;
    }
    preparee->requete.setRawHeader("Accept", "text/event-stream");
    preparee->requete.setRawHeader("Cache-Control", "no-cache");
    m_lecteur = LecteurSSE();
    m_reponse = reseauPartage().get(preparee->requete);
    connect(m_reponse, &QNetworkReply::metaDataChanged, this, &EcouteEvenements::surEntetes);
    connect(m_reponse, &QNetworkReply::readyRead, this, &EcouteEvenements::surDonnees);
    connect(m_reponse, &QNetworkReply::finished, this, &EcouteEvenements::surFin);
}

void EcouteEvenements::abandonner()
{
    m_reprise.stop();
    if (m_reponse) {
        m_reponse->disconnect(this);
        m_reponse->abort();
        m_reponse->deleteLater();
    }
    m_reponse = nullptr;
    setFluxOuvert(false);
}

void EcouteEvenements::surEntetes()
{
    const int statut = m_reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (statut != 200 || m_fluxOuvert) {
        return;
    }
    const QByteArray type = m_reponse->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    // Anything else than a stream (a proxy's page, say) would be read forever for nothing.
    if (!type.trimmed().toLower().startsWith("text/event-stream")) {
        m_reponse->abort();
        return;
    }
    m_ouvertureFlux = std::chrono::steady_clock::now();
    setFluxOuvert(true);
}

void EcouteEvenements::surDonnees()
{
    const QByteArray octets = m_reponse->readAll();
    if (!m_fluxOuvert) {
        return;
    }
    const std::optional<QList<EvenementSSE>> evenements = m_lecteur.lire(octets);
    if (!evenements) {
        m_reponse->abort();
        return;
    }
    const QPointer<EcouteEvenements> garde(this);
    for (const EvenementSSE& evenement : *evenements) {
        // A receiver may stop this listener or start it afresh.
        if (!garde || !m_fluxOuvert) {
            return;
        }
        emettre(evenement);
    }
}

void EcouteEvenements::surFin()
{
    const int statut = m_reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool durable = m_fluxOuvert && std::chrono::steady_clock::now() - m_ouvertureFlux >= dureeStable;
    m_reponse->deleteLater();
    m_reponse = nullptr;
    setFluxOuvert(false);
    // An older server: asking again would change nothing.
    if (statut != 404) {
        reprendrePlusTard(durable);
    }
}

void EcouteEvenements::reprendrePlusTard(bool apresUnSucces)
{
    if (apresUnSucces) {
        m_echecs = 0;
    }
    // 1, 2, 4… times the first delay; past the cap the shift stops growing.
    const std::chrono::milliseconds delai = delaiInitial * (qint64(1) << std::min(m_echecs, 16));
    ++m_echecs;
    m_reprise.start(std::min(delai, delaiMax));
}

void EcouteEvenements::emettre(const EvenementSSE& evenement)
{
    const QJsonDocument document = QJsonDocument::fromJson(evenement.donnees.toUtf8());
    if (!document.isObject()) {
        return;
    }
    const Resultat<TransfertAPI> transfert = TransfertAPI::depuisJSON(document.object());
    if (!transfert) {
        return;
    }
    if (evenement.type == u"ouverture") {
        Q_EMIT transfertOuvert(*transfert);
    } else if (evenement.type == u"telechargement") {
        Q_EMIT transfertTelecharge(*transfert);
    }
}

void EcouteEvenements::setFluxOuvert(bool ouvert)
{
    if (ouvert == m_fluxOuvert) {
        return;
    }
    m_fluxOuvert = ouvert;
    Q_EMIT fluxOuvertChange(ouvert);
}
