#pragma once

#include "api/TransferAPI.h"
#include "serveur/ServeurTransferts.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QTcpSocket>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using Entetes = QList<QPair<QByteArray, QByteArray>>;

inline const QByteArray navigateur = "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

// What a raw request got back; header names lower-cased.
struct ReponseHTTP {
    int statut = 0;
    QByteArray corps;
    QHash<QByteArray, QByteArray> entetes;
};

enum class Moteur { sqlite, postgresql };
using Reglage = std::function<void(serveur::Configuration&)>;

// valto-serveur started in the test process on a free port, configured as above, its clock the test's.
// Its journal lines are kept for the test to read instead of going to standard error.
class ServeurDeTest final {
public:
    explicit ServeurDeTest(const Reglage& reglage = {}, Moteur moteur = Moteur::sqlite);
    // Another instance of `voisin`'s studio: same NAS, key, database and clock, a data folder of its own.
    ServeurDeTest(ServeurDeTest& voisin, const Reglage& reglage = {});
    ~ServeurDeTest();

    int port() const { return m_port; }
    QStringList journal() const;

    EnvironnementTest& environnement() { return m_environnement; }
    QString origine() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int picArgon2() const { return m_serveur->picArgon2(); }
    // The server's own data folder (database, secret).
    QString donnees() const { return m_environnement.chemin(QStringLiteral("serveur")); }
    QString cle() const { return QString::fromStdString(m_serveur->cleAPI()); }
    TransferAPI api() const { return TransferAPI{origine(), cle()}; }
    QString nas(const QString& relatif) const
    {
        return m_environnement.chemin(QStringLiteral("Volumes/") + relatif);
    }
    QString creerSurNAS(const QString& relatif, const QByteArray& contenu)
    {
        return m_environnement.creerFichier(QStringLiteral("Volumes/") + relatif, contenu);
    }
    qint64 maintenant() const { return *m_maintenant; }
    void avancer(qint64 secondes) { *m_maintenant += secondes; }

    ReponseHTTP envoyer(const QByteArray& methode, const QString& chemin, const Entetes& entetes = {},
                        const QByteArray& corps = {});
    // Creates a transfer through the API; fails the calling test when it is not 201.
    TransfertAPI creer(const CorpsCreation& corps);
    QList<TransfertAPI> transferts() const { return QCoro::waitFor(api().listerTransferts()).value(); }
    Entetes entetesAPI() const
    {
        return {{"X-Api-Key", cle().toUtf8()}, {"Content-Type", "application/json"}};
    }
    ReponseHTTP ouvrir(const QString& token, const QByteArray& motDePasse);
    // DATA/Clients/a.txt ("bonjour"), Dossier/b.txt and Dossier/Sous/c.txt (the bytes returned), a copy
    // "copie é.txt" and the transfer listeaaaaa of them all.
    QByteArray creerListe();

    const serveur::Configuration& configuration() const { return m_configuration; }

private:
    void demarrer(const Reglage& reglage);

    EnvironnementTest m_environnement;
    serveur::Configuration m_configuration;
    std::shared_ptr<std::atomic<qint64>> m_maintenant;
    std::unique_ptr<serveur::ServeurTransferts> m_serveur;
    std::thread m_ecoute;
    int m_port = 0;
    mutable QMutex m_verrouJournal;
    QStringList m_journal;
    QNetworkAccessManager m_reseau;
};

inline QHostAddress boucleLocale(int n)
{
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// A connection to 127.0.0.1:`port` from `source` (any address of 127/8), once established.
std::unique_ptr<QTcpSocket> connecter(int port, const QHostAddress& source = QHostAddress::LocalHost);
// Raw bytes to 127.0.0.1:`port` from `source` (any address of 127/8); what came back until the server
// closed the connection or 2 s passed without a byte.
QByteArray echangerBrut(int port, const QByteArray& envoi,
                        const QHostAddress& source = QHostAddress::LocalHost);
// A raw reader of the server's event stream, connected once the stream said it was live.
struct Ecouteur final {
    explicit Ecouteur(ServeurDeTest& serveur);

    QByteArray recu() { return lu += socket.readAll(); }
    // The events received about `token`, in order: name and record.
    QList<std::pair<QString, QJsonObject>> evenements(const QString& token);

    QTcpSocket socket;
    QByteArray lu;
};

// A request that closes its connection, with a Content-Length when it has a body.
QByteArray requeteBrute(const QByteArray& debut, const QByteArray& entetes = {},
                        const QByteArray& corps = {});
// Sends each request on its own connection, all at once, the i-th from 127.0.0.<1 + i % adresses>; returns
// the statuses in order.
QList<int> envoyerEnParallele(const QString& origine, const QList<QByteArray>& requetes, int adresses = 1);
QList<int> statuts(const QByteArray& brut);
QByteArray cookieDe(const ReponseHTTP& reponse);

template <typename Classe> bool inscrireSurLesDeuxMoteurs()
{
    for (const Moteur moteur : {Moteur::sqlite, Moteur::postgresql}) {
        testsInscrits().push_back([moteur] { return std::make_unique<Classe>(moteur); });
    }
    return true;
}

// A creation body for `token` with the given files, expiring in seven days.
CorpsCreation corpsDe(const QString& token, const QStringList& fichiers,
                      std::optional<QString> motDePasse = std::nullopt,
                      const QString& type = QStringLiteral("transfert"),
                      std::optional<QStringList> ordre = std::nullopt);
