#pragma once

#include "support/EnvironnementTest.h"

#include <QList>
#include <QProcess>

// nginx on a free loopback port spreading requests over `ports` in turn, as https://transferts.exemple.ch,
// each request carrying its client's address.
class ProxyDeTest final {
public:
    explicit ProxyDeTest(const QList<int>& ports);
    ~ProxyDeTest();

    int port() const { return m_port; }

private:
    EnvironnementTest m_env;
    QProcess m_nginx;
    int m_port;
};
