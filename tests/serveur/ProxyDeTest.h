#pragma once

#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// nginx on a free loopback port spreading requests over `ports` in turn, as https://transferts.exemple.ch,
// each request carrying its client's address.
class ProxyDeTest final {
public:
    explicit ProxyDeTest(const QList<int>& ports);
    ~ProxyDeTest();

    int port() const { return m_port; }

private:
    QTemporaryDir m_dossier;
    QProcess m_nginx;
    int m_port;
};
