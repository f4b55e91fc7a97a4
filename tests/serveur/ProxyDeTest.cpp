#include "ProxyDeTest.h"

#include "ServeurDeTest.h"

#include <QTcpServer>
#include <QThread>

using namespace Qt::StringLiterals;

static int portLibre()
{
    QTcpServer essai;
    essai.listen(QHostAddress::LocalHost);
    return essai.serverPort();
}

ProxyDeTest::ProxyDeTest(const QList<int>& ports)
    : m_port(portLibre())
{
    QString serveurs;
    for (const int port : ports) {
        serveurs += u"server 127.0.0.1:%1;\n"_s.arg(port);
    }
    const QString conf = m_env.creerFichier(
        u"nginx.conf"_s,
        u"daemon off; master_process off; pid %1/nginx.pid; error_log %1/erreurs.log;\n"
        "events {}\nhttp { access_log off; client_body_temp_path %1; proxy_temp_path %1;\n"
        "fastcgi_temp_path %1; uwsgi_temp_path %1; scgi_temp_path %1;\n"
        "upstream valto { %3 }\n"
        "server { listen 127.0.0.1:%2; location / { proxy_pass http://valto;\n"
        "proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for;\n"
        "proxy_set_header X-Forwarded-Proto https; proxy_set_header Host transferts.exemple.ch; } } }\n"_s
            .arg(m_env.chemin(u"."_s))
            .arg(m_port)
            .arg(serveurs)
            .toUtf8());
    m_nginx.start(u"/usr/sbin/nginx"_s, {u"-c"_s, conf, u"-p"_s, m_env.chemin(u"."_s)});
    const QByteArray essai = requeteBrute("GET /static/valto.css");
    for (int i = 0; i < 400 && statuts(echangerBrut(m_port, essai)) != QList<int>{200}; ++i) {
        QThread::msleep(50);
    }
}

ProxyDeTest::~ProxyDeTest()
{
    m_nginx.terminate();
    m_nginx.waitForFinished();
}
