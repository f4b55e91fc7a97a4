#include "support/ServeurLocal.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

constexpr qint64 tranche = 256 * 1024;

QByteArray raison(int statut)
{
    switch (statut) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 409:
        return "Conflict";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::optional<RequeteRecue> extraireRequete(QByteArray& tampon)
{
    const qsizetype finEntetes = tampon.indexOf("\r\n\r\n");
    if (finEntetes < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> lignes = tampon.left(finEntetes).split('\n');
    const QList<QByteArray> premiere = lignes.first().trimmed().split(' ');
    RequeteRecue requete;
    requete.methode = premiere.value(0);
    requete.chemin = premiere.value(1);
    for (qsizetype i = 1; i < lignes.size(); ++i) {
        const qsizetype deuxPoints = lignes.at(i).indexOf(':');
        if (deuxPoints > 0) {
            requete.entetes.append({lignes.at(i).left(deuxPoints).trimmed().toLower(),
                                    lignes.at(i).mid(deuxPoints + 1).trimmed()});
        }
    }
    const qsizetype longueur = requete.entete("content-length").toLongLong();
    if (tampon.size() < finEntetes + 4 + longueur) {
        return std::nullopt;
    }
    requete.corps = tampon.mid(finEntetes + 4, longueur);
    tampon.remove(0, finEntetes + 4 + longueur);
    return requete;
}

} // namespace

QByteArray RequeteRecue::entete(const QByteArray& nom) const
{
    for (const auto& [cle, valeur] : entetes) {
        if (cle == nom.toLower()) {
            return valeur;
        }
    }
    return {};
}

bool RequeteRecue::aEntete(const QByteArray& nom) const
{
    return std::any_of(entetes.begin(), entetes.end(),
                       [&](const auto& e) { return e.first == nom.toLower(); });
}

ReponseScriptee ReponseScriptee::json(int statut, const QByteArray& corps)
{
    ReponseScriptee reponse;
    reponse.statut = statut;
    reponse.corps = corps;
    reponse.entetes = {{"Content-Type", "application/json"}};
    return reponse;
}

ReponseScriptee ReponseScriptee::flux(qint64 taille, Forme forme)
{
    ReponseScriptee reponse;
    reponse.tailleFlux = taille;
    reponse.forme = forme;
    reponse.entetes = {{"Content-Type", "application/octet-stream"}};
    return reponse;
}

ServeurLocal::ServeurLocal(QObject* parent)
    : QObject(parent)
{
    connect(&m_serveur, &QTcpServer::newConnection, this, &ServeurLocal::accepter);
    if (!m_serveur.listen(QHostAddress::LocalHost)) {
        qFatal("serveur local impossible : %s", qPrintable(m_serveur.errorString()));
    }
}

ServeurLocal::~ServeurLocal()
{
    m_serveur.close();
}

QString ServeurLocal::origine() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_serveur.serverPort());
}

void ServeurLocal::repondre(const QByteArray& methode, const QByteArray& chemin,
                            const ReponseScriptee& reponse)
{
    m_scripts[methode + ' ' + chemin].append(reponse);
}

void ServeurLocal::remplacer(const QByteArray& methode, const QByteArray& chemin,
                             const ReponseScriptee& reponse)
{
    m_scripts[methode + ' ' + chemin] = {reponse};
}

bool ServeurLocal::attendreRequetes(qsizetype nombre, int delaiMaxMs)
{
    return QTest::qWaitFor([&] { return m_requetes.size() >= nombre; }, delaiMaxMs);
}

void ServeurLocal::accepter()
{
    while (QTcpSocket* socket = m_serveur.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { lire(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_tampons.remove(socket);
            socket->deleteLater();
        });
    }
}

void ServeurLocal::lire(QTcpSocket* socket)
{
    QByteArray& tampon = m_tampons[socket];
    tampon.append(socket->readAll());
    while (const std::optional<RequeteRecue> requete = extraireRequete(tampon)) {
        m_requetes.append(*requete);
        Q_EMIT requeteRecue();
        traiter(socket, *requete);
    }
}

void ServeurLocal::traiter(QTcpSocket* socket, const RequeteRecue& requete)
{
    const ReponseScriptee reponse = reponsePour(requete);
    if (reponse.delaiMs <= 0) {
        envoyer(socket, reponse);
        return;
    }
    QTimer::singleShot(reponse.delaiMs, socket, [this, socket, reponse] { envoyer(socket, reponse); });
}

ReponseScriptee ServeurLocal::reponsePour(const RequeteRecue& requete)
{
    QList<ReponseScriptee>& file = m_scripts[requete.methode + ' ' + requete.chemin];
    if (file.isEmpty()) {
        return ReponseScriptee::json(404, R"({"detail":"Route inconnue du serveur de test."})");
    }
    return file.size() > 1 ? file.takeFirst() : file.first();
}

void ServeurLocal::envoyer(QTcpSocket* socket, const ReponseScriptee& reponse)
{
    using Forme = ReponseScriptee::Forme;
    if (reponse.forme == Forme::coupee) {
        socket->disconnectFromHost();
        return;
    }
    if (reponse.forme == Forme::muette) {
        return;
    }
    const bool genere = reponse.tailleFlux >= 0;
    const qint64 taille = genere ? reponse.tailleFlux : reponse.corps.size();
    QByteArray tete =
        "HTTP/1.1 " + QByteArray::number(reponse.statut) + ' ' + raison(reponse.statut) + "\r\n";
    for (const auto& [nom, valeur] : reponse.entetes) {
        tete += nom + ": " + valeur + "\r\n";
    }
    const bool fermer = reponse.forme != Forme::normale;
    if (reponse.forme != Forme::sansLongueur) {
        tete += "Content-Length: " + QByteArray::number(taille) + "\r\n";
    }
    tete += fermer ? "Connection: close\r\n\r\n" : "\r\n";
    socket->write(tete);
    if (!genere) {
        socket->write(reponse.corps);
        if (fermer) {
            socket->disconnectFromHost();
        }
        return;
    }
    const qint64 limite = reponse.forme == Forme::interrompue ? reponse.coupureApres : taille;
    envoyerFlux(socket, taille, limite, fermer);
}

void ServeurLocal::envoyerFlux(QTcpSocket* socket, qint64 total, qint64 limite, bool fermerALaFin)
{
    // Written in slices as the socket drains, so a large body never sits in memory.
    auto envoye = std::make_shared<qint64>(0);
    auto ecrireSuite = std::make_shared<std::function<void()>>();
    *ecrireSuite = [socket, envoye, total, limite, fermerALaFin] {
        while (*envoye < limite && socket->bytesToWrite() < 4 * tranche) {
            const qint64 taille = std::min(tranche, limite - *envoye);
            QByteArray morceau(taille, Qt::Uninitialized);
            for (qint64 i = 0; i < taille; ++i) {
                morceau[i] = ReponseScriptee::octetDuFlux(*envoye + i);
            }
            socket->write(morceau);
            *envoye += taille;
        }
        if (*envoye >= limite && socket->bytesToWrite() == 0 && (fermerALaFin || limite < total)) {
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, [ecrireSuite] { (*ecrireSuite)(); });
    (*ecrireSuite)();
}
