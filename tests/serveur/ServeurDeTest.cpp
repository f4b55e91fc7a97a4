#include "ServeurDeTest.h"
#include "PostgreSQLDeTest.h"

#include "api/ReseauPartage.h"
#include "serveur/Journal.h"

#include <QCoroNetworkReply>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <numeric>

using namespace Qt::StringLiterals;

// A server on 127.0.0.1 whose NAS root is the environment's mount root (shares DATA, with the copies
// folder, and ARCHIVE), cheap Argon2id and short waits on a locked database.
ServeurDeTest::ServeurDeTest(const Reglage& reglage, Moteur moteur)
    : m_maintenant(std::make_shared<std::atomic<qint64>>(QDateTime::currentSecsSinceEpoch()))
{
    m_environnement.creerDossier(u"Volumes/DATA/Valto Transferts"_s);
    m_environnement.creerDossier(u"Volumes/ARCHIVE"_s);
    m_configuration.port = 0;
    m_configuration.racineNAS = m_environnement.chemin(u"Volumes"_s).toStdString();
    m_configuration.dossierDonnees = donnees().toStdString();
    m_configuration.dossierVersions =
        QFileInfo(m_environnement.creerFichier(u"versions/version.json"_s, R"({"version":"9.9","url":"x"})"))
            .path()
            .toStdString();
    m_configuration.fils = 4;
    m_configuration.argon2 = serveur::CoutArgon2::minimal();
    m_configuration.attenteBaseMillisecondes = 200;
    m_configuration.horloge = [maintenant = m_maintenant] { return maintenant->load(); };
    if (moteur == Moteur::postgresql) {
        PostgreSQLDeTest::configurer(m_configuration);
    }
    demarrer(reglage);
}

ServeurDeTest::ServeurDeTest(ServeurDeTest& voisin, const Reglage& reglage)
    : m_configuration(voisin.m_configuration)
    , m_maintenant(voisin.m_maintenant)
{
    m_configuration.dossierDonnees = donnees().toStdString();
    demarrer(reglage);
}

void ServeurDeTest::demarrer(const Reglage& reglage)
{
    if (reglage) {
        reglage(m_configuration);
    }
    serveur::journal::rediriger([this](const std::string& ligne) {
        const QMutexLocker garde(&m_verrouJournal);
        m_journal.append(QString::fromStdString(ligne));
    });
    auto serveur = serveur::ServeurTransferts::creer(m_configuration);
    if (!serveur) {
        qFatal("valto-serveur ne démarre pas : %s", serveur.error().c_str());
    }
    m_serveur = std::move(*serveur);
    m_port = m_serveur->lier().value();
    m_ecoute = std::thread([this] { m_serveur->ecouter(); });
}

ServeurDeTest::~ServeurDeTest()
{
    // Idle keep-alive connections would hold the server's workers until their timeout.
    m_reseau.clearConnectionCache();
    reseauPartage().clearConnectionCache();
    m_serveur->arreter();
    m_ecoute.join();
    m_serveur.reset();
    serveur::journal::rediriger({});
}

QStringList ServeurDeTest::journal() const
{
    const QMutexLocker garde(&m_verrouJournal);
    return m_journal;
}

std::unique_ptr<QTcpSocket> connecter(int port, const QHostAddress& source)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(source);
    socket->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    socket->waitForConnected(5000);
    return socket;
}

QByteArray echangerBrut(int port, const QByteArray& envoi, const QHostAddress& source)
{
    const auto socket = connecter(port, source);
    socket->write(envoi);
    QByteArray recu;
    while (socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(2000)) {
        recu += socket->readAll();
    }
    return recu + socket->readAll();
}

Ecouteur::Ecouteur(ServeurDeTest& serveur)
{
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(serveur.port()));
    socket.write("GET /api/evenements HTTP/1.1\r\nHost: essai\r\nX-Api-Key: " + serveur.cle().toUtf8() +
                 "\r\n\r\n");
    QTRY_VERIFY(recu().contains(": connecté\n\n"));
}

QList<std::pair<QString, QJsonObject>> Ecouteur::evenements(const QString& token)
{
    QList<std::pair<QString, QJsonObject>> resultat;
    static const QRegularExpression evenement(u"event: (\\w+)\ndata: (.*)\n\n"_s);
    for (auto trouve = evenement.globalMatch(QString::fromUtf8(recu())); trouve.hasNext();) {
        const auto e = trouve.next();
        const QJsonObject transfert = QJsonDocument::fromJson(e.captured(2).toUtf8()).object();
        if (transfert.value(u"token"_s) == token) {
            resultat.append({e.captured(1), transfert});
        }
    }
    return resultat;
}

QByteArray requeteBrute(const QByteArray& debut, const QByteArray& entetes, const QByteArray& corps)
{
    return debut + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n" + entetes +
           (corps.isEmpty() ? QByteArray() : "Content-Length: " + QByteArray::number(corps.size()) + "\r\n") +
           "\r\n" + corps;
}

QList<int> envoyerEnParallele(const QString& origine, const QList<QByteArray>& requetes, int adresses)
{
    std::vector<std::unique_ptr<QTcpSocket>> connexions;
    for (qsizetype i = 0; i < requetes.size(); ++i) {
        connexions.push_back(connecter(QUrl(origine).port(), boucleLocale(1 + i % adresses)));
    }
    for (qsizetype i = 0; i < requetes.size(); ++i) {
        connexions[i]->write(requetes[i]);
        connexions[i]->flush();
    }
    QList<int> statuts;
    for (auto& connexion : connexions) {
        while (connexion->state() == QAbstractSocket::ConnectedState && connexion->waitForReadyRead(10000)) {
        }
        statuts.append(connexion->readAll().mid(9, 3).toInt());
    }
    return statuts;
}

QList<int> statuts(const QByteArray& brut)
{
    QList<int> resultat;
    static const QRegularExpression ligne(u"HTTP/1\\.1 (\\d{3}) "_s);
    for (auto trouve = ligne.globalMatch(QString::fromLatin1(brut)); trouve.hasNext();) {
        resultat.append(trouve.next().captured(1).toInt());
    }
    return resultat;
}

ReponseHTTP ServeurDeTest::envoyer(const QByteArray& methode, const QString& chemin, const Entetes& entetes,
                                   const QByteArray& corps)
{
    QNetworkRequest requete(QUrl(origine() + chemin, QUrl::StrictMode));
    requete.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    requete.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    requete.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    for (const auto& [nom, valeur] : entetes) {
        requete.setRawHeader(nom, valeur);
    }
    // A custom "HEAD" would wait for the body its Content-Length announces.
    QNetworkReply* reponse =
        methode == "HEAD" ? m_reseau.head(requete) : m_reseau.sendCustomRequest(requete, methode, corps);
    QCoro::waitFor(qCoro(reponse).waitForFinished());
    ReponseHTTP resultat;
    resultat.statut = reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    resultat.corps = reponse->readAll();
    for (const auto& [nom, valeur] : reponse->rawHeaderPairs()) {
        resultat.entetes.insert(nom.toLower(), valeur);
    }
    reponse->deleteLater();
    return resultat;
}

TransfertAPI ServeurDeTest::creer(const CorpsCreation& corps)
{
    const auto resultat = QCoro::waitFor(api().creerTransfert(corps));
    if (!resultat) {
        QTest::qFail(qPrintable(std::visit([](const auto& e) { return e.description(); }, resultat.error())),
                     __FILE__, __LINE__);
    }
    return resultat.value_or(TransfertAPI{});
}

ReponseHTTP ServeurDeTest::ouvrir(const QString& token, const QByteArray& motDePasse)
{
    return envoyer("POST", u"/t/"_s + token, {{"Content-Type", "application/x-www-form-urlencoded"}},
                   "mot_de_passe=" + motDePasse);
}

QByteArray cookieDe(const ReponseHTTP& reponse)
{
    return reponse.entetes.value("set-cookie").split(';').first();
}

QByteArray ServeurDeTest::creerListe()
{
    creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
    creerSurNAS(u"DATA/Clients/Dossier/b.txt"_s, "b");
    QByteArray grand(300'000, '\0');
    std::iota(grand.begin(), grand.end(), '\0'); // a shifted range shows
    creerSurNAS(u"DATA/Clients/Dossier/Sous/c.txt"_s, grand);
    creerSurNAS(u"DATA/Valto Transferts/listeaaaaa/copie é.txt"_s, "copie");
    CorpsCreation liste = corpsDe(u"listeaaaaa"_s, {u"DATA/Clients/a.txt"_s, u"DATA/Clients/Dossier"_s});
    liste.titre = u"<b>Maquettes</b> & co"_s;
    creer(liste);
    return grand;
}

CorpsCreation corpsDe(const QString& token, const QStringList& fichiers, std::optional<QString> motDePasse,
                      const QString& type, std::optional<QStringList> ordre)
{
    return {token, u"Photos"_s, u"Camille"_s, 7, std::move(motDePasse), fichiers, type, std::move(ordre)};
}
