#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// One request as the loopback server received it; header names are lower-cased.
struct RequeteRecue final {
    QByteArray methode;
    QByteArray chemin;
    QHash<QByteArray, QByteArray> entetes;
    QByteArray corps;
};

// What the server answers to one request.
struct ReponseScriptee final {
    enum class Forme {
        normale,      // status line, headers, Content-Length, body
        sansLongueur, // no Content-Length: the body ends when the connection closes
        coupee,       // the connection is closed without any answer
        ouverte,      // no Content-Length, and the connection stays open (an event stream)
    };

    int statut = 200;
    QByteArray corps{};
    QByteArray entetes{}; // extra header lines, each ending in "\r\n"
    Forme forme = Forme::normale;
    int delaiMs = 0; // wait before answering

    static ReponseScriptee json(int statut, const QByteArray& corps) { return {statut, corps, {}}; }
    // That many bytes of "ab…z" over and over.
    static ReponseScriptee flux(qint64 taille, Forme forme = Forme::normale)
    {
        return {
            200, QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(taille / 26 + 1).left(taille), {}, forme};
    }
};

// A real HTTP/1.1 server on 127.0.0.1 that records every request and plays scripted answers per
// "METHOD /path": queued ones in turn, the last one kept for later requests; 404 without a script.
class ServeurLocal final : public QObject {
    Q_OBJECT

public:
    ServeurLocal();

    QString origine() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    quint16 port() const { return m_serveur.serverPort(); }

    void repondre(const QByteArray& methode, const QByteArray& chemin, const ReponseScriptee& reponse)
    {
        m_scripts[methode + ' ' + chemin].append(reponse);
    }
    // Drops the answers queued so far for that route, then scripts this one.
    void remplacer(const QByteArray& methode, const QByteArray& chemin, const ReponseScriptee& reponse)
    {
        m_scripts[methode + ' ' + chemin] = {reponse};
    }

    QList<RequeteRecue> requetes() const { return m_requetes; }

private:
    void lire(QTcpSocket* socket);

    QTcpServer m_serveur;
    QHash<QByteArray, QList<ReponseScriptee>> m_scripts;
    QList<RequeteRecue> m_requetes;
    QHash<QTcpSocket*, QByteArray> m_tampons;
};
