#include "PostgreSQLDeTest.h"

#include "serveur/stockage/ConnexionPostgreSQL.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <csignal>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString motDePasse = u"essai-7Qz"_s;

// On PATH, or where Debian puts the newest version's tools. PostgreSQL refuses to run as root, which CI
// is: it then runs as nobody.
void executer(const QString& dossier, const QString& nom, QStringList arguments)
{
    const QStringList versions = QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QString programme = QStandardPaths::findExecutable(nom);
    if (programme.isEmpty() && !versions.isEmpty()) {
        programme = u"/usr/lib/postgresql/%1/bin/%2"_s.arg(versions.last(), nom);
    }
    if (geteuid() == 0) {
        arguments = QStringList{u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s, programme} +
                    arguments;
        programme = u"setpriv"_s;
    }
    QProcess processus;
    processus.setWorkingDirectory(dossier);
    processus.start(programme, arguments);
    if (!processus.waitForFinished(60'000) || processus.exitCode() != 0) {
        qFatal("PostgreSQL ne démarre pas (%s ; scripts/setup.sh l'installe) : %s", qPrintable(nom),
               processus.readAll().constData());
    }
}

} // namespace

PostgreSQLDeTest::PostgreSQLDeTest()
{
    const QString dossier = m_dossier.path();
    QFile fichier(m_dossier.filePath(u"mot-de-passe"_s));
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(motDePasse.toUtf8() + '\n') < 0 ||
        (geteuid() == 0 && (::chown(qPrintable(dossier), 65534, 65534) != 0 ||
                            ::chown(qPrintable(fichier.fileName()), 65534, 65534) != 0))) {
        qFatal("Dossier de PostgreSQL inutilisable : %s", qPrintable(dossier));
    }
    fichier.close();
    executer(dossier, u"initdb"_s,
             {u"-D"_s, dossier + u"/donnees"_s, u"-U"_s, u"valto"_s, u"--auth=scram-sha-256"_s,
              u"--pwfile="_s + fichier.fileName(), u"-E"_s, u"UTF8"_s, u"--no-locale"_s, u"--no-sync"_s});
    // Durability is not under test here: without fsync the suite stays fast.
    executer(dossier, u"pg_ctl"_s,
             {u"-D"_s, dossier + u"/donnees"_s, u"-l"_s, dossier + u"/journal"_s, u"-w"_s, u"-o"_s,
              u"-c listen_addresses='' -k %1 -c fsync=off -c max_connections=400"_s.arg(dossier),
              u"start"_s});
    m_adresse = u"postgresql:///postgres?host=%1&user=valto"_s.arg(
        QString::fromUtf8(QUrl::toPercentEncoding(dossier)));
    auto connexion = serveur::ConnexionPostgreSQL::ouvrir(m_adresse.toStdString(), motDePasse.toStdString());
    if (!connexion) {
        qFatal("%s", connexion.error().c_str());
    }
    m_administration = std::move(*connexion);
}

PostgreSQLDeTest::~PostgreSQLDeTest()
{
    m_administration.reset();
    QFile pid(m_dossier.filePath(u"donnees/postmaster.pid"_s));
    const pid_t serveur = pid.open(QIODevice::ReadOnly) ? pid.readLine().trimmed().toInt() : 0;
    // Immediate shutdown; the folder goes once the server has let go of it.
    while (serveur > 0 && ::kill(serveur, SIGQUIT) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

PostgreSQLDeTest& PostgreSQLDeTest::partage()
{
    static PostgreSQLDeTest serveur;
    return serveur;
}

void PostgreSQLDeTest::couperConnexions()
{
    partage().m_administration->executerScript(
        "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
        "WHERE backend_type = 'client backend' AND pid <> pg_backend_pid()");
}

void PostgreSQLDeTest::configurer(serveur::Configuration& configuration)
{
    PostgreSQLDeTest& serveur = partage();
    const QString schema = u"essai_%1"_s.arg(++serveur.m_schemas);
    serveur.m_administration->executerScript(qPrintable(u"CREATE SCHEMA "_s + schema));
    configuration.base = (serveur.m_adresse + u"&options=-c%20search_path%3D"_s + schema).toStdString();
    configuration.fichierMotDePasseBase = serveur.m_dossier.filePath(u"mot-de-passe"_s).toStdString();
}
