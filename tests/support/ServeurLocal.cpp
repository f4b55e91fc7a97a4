#include "support/ServeurLocal.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

std::optional<RequeteRecue> extraireRequete(QByteArray& tampon)
{
    const qsizetype finEntetes = tampon.indexOf("\r\n\r\n");
    if (finEntetes < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> lignes = tampon.left(finEntetes).split('\n');
    const QList<QByteArray> premiere = lignes.first().trimmed().split(' ');
    RequeteRecue requete{premiere.value(0), premiere.value(1), {}, {}};
    for (const QByteArray& ligne : lignes.mid(1)) {
        const qsizetype deuxPoints = ligne.indexOf(':');
        requete.entetes.insert(ligne.left(deuxPoints).trimmed().toLower(),
                               ligne.mid(deuxPoints + 1).trimmed());
    }
    const qsizetype fin = finEntetes + 4 + requete.entetes.value("content-length").toLongLong();
    if (tampon.size() < fin) {
        return std::nullopt;
    }
    requete.corps = tampon.mid(finEntetes + 4, fin - finEntetes - 4);
    tampon.remove(0, fin);
    return requete;
}

void envoyer(QTcpSocket* socket, const ReponseScriptee& reponse)
{
    using Forme = ReponseScriptee::Forme;
    QByteArray tete = "HTTP/1.1 " + QByteArray::number(reponse.statut) + " Statut\r\n" + reponse.entetes;
    if (reponse.forme != Forme::sansLongueur && reponse.forme != Forme::ouverte) {
        tete += "Content-Length: " + QByteArray::number(reponse.corps.size()) + "\r\n";
    }
    const bool fermer = reponse.forme != Forme::normale && reponse.forme != Forme::ouverte;
    if (reponse.forme != Forme::coupee) {
        socket->write(tete + (fermer ? "Connection: close\r\n\r\n" : "\r\n") + reponse.corps);
    }
    // Pending bytes are still written before the connection closes.
    if (fermer) {
        socket->disconnectFromHost();
    }
}

} // namespace

ServeurLocal::ServeurLocal()
{
    connect(&m_serveur, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_serveur.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { lire(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_tampons.remove(socket);
                socket->deleteLater();
            });
        }
    });
    if (!m_serveur.listen(QHostAddress::LocalHost)) {
        qFatal("serveur local impossible : %s", qPrintable(m_serveur.errorString()));
    }
}

void ServeurLocal::lire(QTcpSocket* socket)
{
    QByteArray& tampon = m_tampons[socket];
    tampon.append(socket->readAll());
    while (const std::optional<RequeteRecue> requete = extraireRequete(tampon)) {
        m_requetes.append(*requete);
        QList<ReponseScriptee>& file = m_scripts[requete->methode + ' ' + requete->chemin];
        const ReponseScriptee reponse = file.isEmpty()    ? ReponseScriptee::json(404, "{}")
                                        : file.size() > 1 ? file.takeFirst()
                                                          : file.first();
        QTimer::singleShot(reponse.delaiMs, socket, [socket, reponse] { envoyer(socket, reponse); });
    }
}
