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

QString outil(const QString& nom)
{
    QStringList dossiers;
    for (const QString& version :
         QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        dossiers.append(u"/usr/lib/postgresql/%1/bin"_s.arg(version));
    }
    const QString trouve = QStandardPaths::findExecutable(nom);
    return trouve.isEmpty() ? QStandardPaths::findExecutable(nom, dossiers) : trouve;
}

// PostgreSQL refuses to run as root, which CI is: it then runs as nobody.
void executer(const QString& dossier, const QString& nom, QStringList arguments)
{
    QString programme = outil(nom);
    if (programme.isEmpty()) {
        qFatal("%s introuvable : installez PostgreSQL (scripts/setup.sh)", qPrintable(nom));
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
        qFatal("%s a échoué : %s", qPrintable(nom), processus.readAll().constData());
    }
}

} // namespace

PostgreSQLDeTest& PostgreSQLDeTest::partage()
{
    static PostgreSQLDeTest instance;
    return instance;
}

PostgreSQLDeTest::PostgreSQLDeTest()
{
    demarrer();
    auto connexion = serveur::ConnexionPostgreSQL::ouvrir(adresse().toStdString(), motDePasse.toStdString());
    if (!connexion) {
        qFatal("%s", connexion.error().c_str());
    }
    m_administration = std::move(*connexion);
}

void PostgreSQLDeTest::demarrer()
{
    const QString dossier = m_dossier.path();
    QFile fichier(m_dossier.filePath(u"mot-de-passe"_s));
    fichier.open(QIODevice::WriteOnly);
    fichier.write(motDePasse.toUtf8() + '\n');
    fichier.close();
    if (geteuid() == 0 && (::chown(qPrintable(dossier), 65534, 65534) != 0 ||
                           ::chown(qPrintable(fichier.fileName()), 65534, 65534) != 0)) {
        qFatal("chown impossible dans %s", qPrintable(dossier));
    }
    executer(dossier, u"initdb"_s,
             {u"-D"_s, dossier + u"/donnees"_s, u"-U"_s, u"valto"_s, u"--auth=scram-sha-256"_s,
              u"--pwfile="_s + fichier.fileName(), u"-E"_s, u"UTF8"_s, u"--no-locale"_s, u"--no-sync"_s});
    // Durability is not under test here: without fsync the suite stays fast.
    executer(dossier, u"pg_ctl"_s,
             {u"-D"_s, dossier + u"/donnees"_s, u"-l"_s, dossier + u"/journal"_s, u"-w"_s, u"-o"_s,
              u"-c listen_addresses='' -k %1 -c fsync=off -c max_connections=400"_s.arg(dossier),
              u"start"_s});
}

PostgreSQLDeTest::~PostgreSQLDeTest()
{
    m_administration.reset();
    QFile pid(m_dossier.filePath(u"donnees/postmaster.pid"_s));
    if (!pid.open(QIODevice::ReadOnly)) {
        return;
    }
    const pid_t serveur = pid.readLine().trimmed().toInt();
    ::kill(serveur, SIGQUIT);
    while (::kill(serveur, 0) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

QString PostgreSQLDeTest::adresse(const QString& options) const
{
    return u"postgresql:///postgres?host=%1&user=valto%2"_s.arg(
        QString::fromUtf8(QUrl::toPercentEncoding(m_dossier.path())), options);
}

std::string PostgreSQLDeTest::nouvelleBase()
{
    const QString schema = u"essai_%1"_s.arg(++m_schemas);
    m_administration->executerScript(qPrintable(u"CREATE SCHEMA "_s + schema));
    return adresse(u"&options=-c%20search_path%3D"_s + schema).toStdString();
}

void PostgreSQLDeTest::configurer(serveur::Configuration& configuration)
{
    configuration.base = partage().nouvelleBase();
    configuration.fichierMotDePasseBase = partage().m_dossier.filePath(u"mot-de-passe"_s).toStdString();
}
