#include "ProxyDeTest.h"
#include "ServeurDeTest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The HTTP layer as a hostile or unlucky client meets it: limits, deadlines, ranges, a reverse proxy.
class TestServeurHTTP final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { demarrer(); }
    void cleanup() { m_serveur.reset(); }

    void entreesDemesurees_data()
    {
        QTest::addColumn<QByteArray>("entete");
        QTest::addColumn<bool>("decoupe");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("corpsAttendu");

        QTest::newRow("corps découpé trop long, page")
            << QByteArray("POST /t/listeaaaaa HTTP/1.1\r\nHost: essai\r\nTransfer-Encoding: chunked\r\n\r\n")
            << true << 413 << QByteArray("<html");
        QTest::newRow("longueur annoncée trop grande")
            << requeteBrute("POST /t/listeaaaaa", "Content-Length: 100000000\r\n") << false << 413
            << QByteArray("<html");
        // With Host and Connection, 50 fields: the most a request may have.
        const QByteArray courtes = QByteArray("X: 1\r\n").repeated(48);
        QTest::newRow("milliers de lignes d'en-tête")
            << requeteBrute("GET /api/partages", "X-Api-Key: @cle@\r\n" + courtes.repeated(150)) << false
            << 431 << QByteArray("\"detail\"");
        QTest::newRow("50 lignes dont une de 12 Kio")
            << requeteBrute("GET /t/listeaaaaa",
                            courtes.chopped(6) + "X: " + QByteArray(12 * 1024, 'x') + "\r\n")
            << false << 200 << QByteArray("<html");
        QTest::newRow("version qui remonte jusqu'à la base")
            << requeteBrute("GET /releases/../serveur/transferts.sqlite3") << false << 404 << QByteArray();
        QTest::newRow("trop de lignes courtes")
            << requeteBrute("GET /t/listeaaaaa", courtes + "X: 1\r\n") << false << 431 << QByteArray("<html");
    }

    // Refused as soon as a limit is passed, before the rest is read; the server keeps serving.
    void entreesDemesurees()
    {
        QFETCH(QByteArray, entete);
        QFETCH(bool, decoupe);
        QFETCH(int, statut);
        QFETCH(QByteArray, corpsAttendu);
        ServeurDeTest& s = *m_serveur;
        const auto socket = connecter(s.port());
        socket->write(QByteArray(entete).replace("@cle@", s.cle().toUtf8()));
        constexpr qint64 total = 64 * 1024 * 1024;
        const QByteArray morceau = "10000\r\n" + QByteArray(0x10000, 'x') + "\r\n";
        qint64 envoye = 0;
        while (decoupe && envoye < total && !socket->waitForReadyRead(5)) {
            socket->write(morceau);
            socket->waitForBytesWritten(1000);
            envoye += 0x10000;
        }
        QVERIFY(envoye < total);
        while (socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(2000)) {
        }
        const QByteArray recu = socket->readAll();
        QVERIFY2(statuts(recu) == QList<int>{statut}, recu.left(300).constData());
        QVERIFY(recu.contains(corpsAttendu) && s.envoyer("GET", u"/t/listeaaaaa"_s).statut == 200);
    }

    void plages_data()
    {
        QTest::addColumn<QByteArray>("plage");
        QTest::addColumn<QByteArray>("siPlage");
        QTest::addColumn<int>("statut");
        QTest::addColumn<int>("debut");
        QTest::addColumn<int>("longueur");
        QTest::addColumn<int>("telechargements");

        // The first is closed, yet the whole file: a download.
        const QByteArray recouvrements = "bytes=0-299999" + QByteArray(",\t 0- \t").repeated(499);
        QTest::newRow("500 plages espacées qui se recouvrent")
            << recouvrements << QByteArray() << 206 << 0 << 300'000 << 1;
        // Ranges that cannot be served as one, or malformed: the whole file.
        for (const char* entier :
             {"bytes=0-9,100-109", "items=0-9", "bytes=10", "bytes=1x-", "bytes=-x", "bytes=0-9,7-1"}) {
            QTest::addRow("entier pour %s", entier)
                << QByteArray(entier) << QByteArray() << 200 << 0 << 300'000 << 1;
        }
        QTest::newRow("If-Range à jour")
            << QByteArray("bytes=100-") << QByteArray("@etag@") << 206 << 100 << 299'900 << 1;
        QTest::newRow("If-Range par date")
            << QByteArray("bytes=100-") << QByteArray("@date@") << 206 << 100 << 299'900 << 1;
        QTest::newRow("If-Range périmé")
            << QByteArray("bytes=100-") << QByteArray("\"perime\"") << 200 << 0 << 300'000 << 1;
        // Past the end: refused when they start there, cut at the end otherwise.
        QTest::newRow("au-delà de la fin")
            << QByteArray("bytes=300000-") << QByteArray() << 416 << 0 << 0 << 0;
        QTest::newRow("un seul octet") << QByteArray("bytes=10-10") << QByteArray() << 206 << 10 << 1 << 0;
        QTest::newRow("coupée à la fin")
            << QByteArray("bytes=299990-400000") << QByteArray() << 206 << 299'990 << 10 << 0;
    }

    void plages()
    {
        QFETCH(QByteArray, plage);
        QFETCH(QByteArray, siPlage);
        QFETCH(int, statut);
        QFETCH(int, debut);
        QFETCH(int, longueur);
        QFETCH(int, telechargements);
        ServeurDeTest& s = *m_serveur;
        const QString chemin = u"/t/listeaaaaa/f/Dossier/Sous/c.txt"_s;
        const ReponseHTTP tete = s.envoyer("HEAD", chemin);
        QVERIFY(tete.entetes.value("etag").startsWith('"'));
        siPlage.replace("@etag@", tete.entetes.value("etag"))
            .replace("@date@", tete.entetes.value("last-modified"));

        const ReponseHTTP reponse = s.envoyer("GET", chemin, {{"Range", plage}, {"If-Range", siPlage}});
        QCOMPARE(reponse.statut, statut);
        if (statut == 416) {
            return;
        }
        QCOMPARE(reponse.corps, m_grand.mid(debut, longueur));
        QCOMPARE(reponse.entetes.value("etag"), tete.entetes.value("etag"));
        if (statut == 206) {
            QCOMPARE(reponse.entetes.value("content-range"),
                     u"bytes %1-%2/300000"_s.arg(debut).arg(debut + longueur - 1).toLatin1());
        }
        // A whole download afterwards is counted too: once it is, the answer above has been as well.
        s.envoyer("GET", chemin);
        QTRY_COMPARE(s.transferts().first().nbTelechargements, telechargements + 1);
    }

    // "Tout télécharger" cut at a random point and resumed is the archive downloaded in one go, which holds
    // the files and the copies.
    void archiveReprise()
    {
        ServeurDeTest& s = *m_serveur;
        // Sparse, with data between its holes: the CRC skips holes when it has to read the file itself.
        QFile creux(s.creerSurNAS(u"DATA/Valto Transferts/listeaaaaa/creux.bin"_s, {}));
        QVERIFY(creux.open(QIODevice::ReadWrite) && creux.resize(3 * 1024 * 1024) && creux.seek(1024 * 1024));
        QVERIFY(creux.write(m_grand) == m_grand.size() && creux.flush());
        const QString chemin = u"/t/listeaaaaa/zip"_s;
        // First the directory alone: every CRC read from the files, none yet streamed.
        const ReponseHTTP queue = s.envoyer("GET", chemin, {{"Range", "bytes=-1000"}});
        const ReponseHTTP tete = s.envoyer("HEAD", chemin);
        QCOMPARE(tete.entetes.value("content-type"), "application/zip");
        const int longueur = tete.entetes.value("content-length").toInt();
        // Inside c.txt's data: a read that starts within an entry.
        const ReponseHTTP milieu = s.envoyer("GET", chemin, {{"Range", "bytes=100000-100999"}});
        const int coupure = QRandomGenerator::global()->bounded(1, longueur);
        const ReponseHTTP debut =
            s.envoyer("GET", chemin, {{"Range", "bytes=0-" + QByteArray::number(coupure - 1)}});
        const ReponseHTTP suite = s.envoyer("GET", chemin,
                                            {{"Range", "bytes=" + QByteArray::number(coupure) + "-"},
                                             {"If-Range", tete.entetes.value("etag")}});
        QCOMPARE(suite.statut, 206);
        QTRY_COMPARE(s.transferts().first().nbTelechargements, 1);

        const ReponseHTTP entier = s.envoyer("GET", chemin);
        QCOMPARE(entier.corps.size(), longueur);
        QVERIFY2(debut.corps + suite.corps == entier.corps, qPrintable(u"coupure à %1"_s.arg(coupure)));
        QVERIFY(queue.corps == entier.corps.right(1000) && milieu.corps == entier.corps.mid(100000, 1000));
        const QString contenu = s.environnement().chemin(u"contenu"_s);
        QProcess unzip;
        unzip.start(u"unzip"_s,
                    {u"-q"_s, s.environnement().creerFichier(u"t.zip"_s, entier.corps), u"-d"_s, contenu});
        QVERIFY2(unzip.waitForFinished() && unzip.exitCode() == 0, unzip.readAll().constData());
        Arbre attendu = lireArbre(s.nas(u"DATA/Clients"_s));
        attendu.insert(lireArbre(s.nas(u"DATA/Valto Transferts/listeaaaaa"_s)));
        QCOMPARE(lireArbre(contenu), attendu);
        // Each file keeps its date, to the two seconds a ZIP holds.
        const QDateTime date = QFileInfo(s.nas(u"DATA/Clients/a.txt"_s)).lastModified();
        QVERIFY(qAbs(QFileInfo(contenu + u"/a.txt"_s).lastModified().secsTo(date)) <= 2);
        QTRY_COMPARE(s.transferts().first().nbTelechargements, 2);

        // From 4 GiB − 1 on, sizes and offsets take ZIP64 fields: énorme.bin starts there, über.txt after it.
        const QString dossier = u"DATA/Valto Transferts/zip64aaaaa/"_s;
        QVERIFY(QFile::resize(s.creerSurNAS(dossier + u"petit.txt"_s, {}), 4'294'967'240));
        QVERIFY(QFile::resize(s.creerSurNAS(dossier + u"énorme.bin"_s, {}), 4'400'000'000));
        s.creerSurNAS(dossier + u"über.txt"_s, "fin");
        s.creer(corpsDe(u"zip64aaaaa"_s, {}));
        const qint64 longueur64 =
            s.envoyer("HEAD", u"/t/zip64aaaaa/zip"_s).entetes.value("content-length").toLongLong();
        QVERIFY(longueur64 > 4'400'000'000);
        const ReponseHTTP fin = s.envoyer("GET", u"/t/zip64aaaaa/zip"_s, {{"Range", "bytes=-4096"}});
        QCOMPARE(fin.statut, 206);
        // The same bytes at the same place in a sparse file: the entries' data is not needed to list them.
        QFile copie(s.environnement().chemin(u"copie.zip"_s));
        QVERIFY(copie.open(QIODevice::WriteOnly) && copie.seek(longueur64 - fin.corps.size()));
        QVERIFY(copie.write(fin.corps) == fin.corps.size() && copie.flush());
        unzip.start(u"unzip"_s, {u"-Z"_s, u"-l"_s, copie.fileName()});
        QVERIFY(unzip.waitForFinished() && unzip.exitCode() == 0);
        const QString liste = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(liste.contains(u"4400000000"_s) && liste.contains(u"énorme.bin"_s), qPrintable(liste));
        QVERIFY(liste.contains(u"petit.txt"_s) && liste.contains(u"über.txt"_s));
    }

    // Sockets that trickle their headers are cut at the deadline; everyone else is served meanwhile.
    void clientsLents()
    {
        ServeurDeTest& s = *m_serveur;
        std::vector<std::unique_ptr<QTcpSocket>> lents;
        for (int i = 0; i < 40; ++i) {
            lents.push_back(connecter(s.port(), boucleLocale(10 + i)));
            lents.back()->write("GET /t/listeaaaaa HTTP/1.1\r\n");
        }
        QTimer goutte;
        QObject::connect(&goutte, &QTimer::timeout, [&] {
            for (auto& socket : lents) {
                socket->write("X-Goutte: 1\r\n");
            }
        });
        goutte.start(100);
        QElapsedTimer chrono;
        chrono.start();
        QVERIFY(s.envoyer("GET", u"/t/listeaaaaa"_s).statut == 200 && chrono.elapsed() < 500);
        const auto ferme = [](const auto& l) { return l->state() == QAbstractSocket::UnconnectedState; };
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(lents, ferme), 4000);
        QVERIFY(chrono.elapsed() >= 700);
        QVERIFY(std::ranges::all_of(lents, [](const auto& l) { return l->readAll().isEmpty(); }));

        // Requests sent back to back on a kept-alive connection are answered in order; left idle, it is
        // closed too.
        const auto inactive = connecter(s.port());
        inactive->write("GET /t/listeaaaaa/f/Dossier/b.txt HTTP/1.1\r\nHost: x\r\nRange: bytes=0-0\r\n\r\n"
                        "HEAD /t/zzzzzzzzzz HTTP/1.1\r\nHost: essai\r\n\r\n"
                        "GET /static/valto.css HTTP/1.1\r\nHost: essai\r\n\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(inactive->state() == QAbstractSocket::UnconnectedState, 4000);
        const QByteArray recu = inactive->readAll();
        QCOMPARE(statuts(recu), (QList<int>{206, 404, 200})); // a range of a one-byte file too
        QVERIFY(recu.indexOf("bytes 0-0/1") < recu.indexOf("text/css"));

        // One address holds a bounded number of connections; others are not affected.
        std::vector<std::unique_ptr<QTcpSocket>> ouvertes;
        for (int i = 0; i < 8; ++i) {
            ouvertes.push_back(connecter(s.port(), boucleLocale(60)));
        }
        const QByteArray page = requeteBrute("GET /static/valto.css");
        QCOMPARE(echangerBrut(s.port(), page, boucleLocale(60)), QByteArray());
        QCOMPARE(statuts(echangerBrut(s.port(), page, boucleLocale(61))), QList<int>{200});
        ouvertes.front()->disconnectFromHost();
        QTRY_COMPARE(statuts(echangerBrut(s.port(), page, boucleLocale(60))), QList<int>{200});
        // Connections that leave without a request leave no access line, nor one sent after a closing one.
        const qsizetype lignes = s.journal().size();
        ouvertes.clear();
        QCOMPARE(statuts(echangerBrut(s.port(), page + page, boucleLocale(61))), QList<int>{200});
        QTest::qWait(100);
        QCOMPARE(s.journal().size(), lignes + 1);
        // A body that stalls, or whose client leaves, is answered nothing but still logged.
        const auto lent = connecter(s.port()), parti = connecter(s.port());
        lent->write(requeteBrute("POST /t/listeaaaaa", "Content-Length: 9\r\n") + "abc");
        parti->write(requeteBrute("POST /t/listeaaaaa", "Content-Length: 9\r\n") + "abc");
        parti->disconnectFromHost(); // once written
        QTRY_COMPARE(s.journal().filter(u"POST /t/listeaaaaa 400 0 "_s).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(lent->state() == QAbstractSocket::UnconnectedState, 2000);
        QVERIFY(lent->readAll().isEmpty() && s.journal().filter(u"POST /t/listeaaaaa 408 0 "_s).size() == 1);

        // A client that stops reading a download is let go after the write deadline.
        QFile gros(s.creerSurNAS(u"DATA/Valto Transferts/listeaaaaa/gros.bin"_s, {}));
        QVERIFY(gros.resize(64 * 1024 * 1024));
        const auto bloque = connecter(s.port());
        bloque->setReadBufferSize(4096);
        bloque->write(requeteBrute("GET /t/listeaaaaa/f/gros.bin"));
        bloque->waitForBytesWritten();
        const auto coupe = [&] {
            const QStringList acces = s.journal().filter(u"GET /t/listeaaaaa/f/gros.bin 200 "_s);
            return acces.size() == 1 && !acces.first().contains(u" 67108864 "_s);
        };
        QTRY_VERIFY_WITH_TIMEOUT(coupe(), 5000);
        // Restarted at once on its port, where the connections it cut linger (TIME_WAIT), it listens.
        const int port = s.port();
        m_serveur.reset();
        m_serveur = std::make_unique<ServeurDeTest>([&](serveur::Configuration& c) { c.port = port; });
        QCOMPARE(m_serveur->port(), port);
    }

    // Listeners outlive the idle and write deadlines, each gets every event, one that leaves is let go
    // and those still there do not hold the server back from stopping.
    void fluxDEvenements()
    {
        ServeurDeTest& s = *m_serveur;
        // A record past 256 KiB is more than a listener may have waiting: it is cut off at once.
        Ecouteur distance(s);
        CorpsCreation enorme = corpsDe(u"enormeaaaa"_s, {u"DATA/Clients/a.txt"_s});
        enorme.titre = QString(300'000, u'x');
        s.creer(enorme);
        s.envoyer("GET", u"/t/enormeaaaa/f/a.txt"_s);
        QTRY_COMPARE_WITH_TIMEOUT(s.journal().filter(u"GET /api/evenements 200"_s).size(), 1, 500);
        Ecouteur premier(s), second(s);
        QTRY_VERIFY_WITH_TIMEOUT(premier.recu().count(": ping\n\n") >= 4, 3000);
        // Unbuffered by nginx, never cached.
        QVERIFY(premier.recu().contains("Content-Type: text/event-stream") &&
                premier.recu().contains("X-Accel-Buffering: no") &&
                premier.recu().contains("Cache-Control: no-store") &&
                !premier.recu().contains("Content-Length"));
        s.envoyer("POST", u"/t/listeaaaaa/vue"_s, {{"User-Agent", navigateur}});
        for (Ecouteur* ecouteur : {&premier, &second}) {
            QTRY_COMPARE_WITH_TIMEOUT(ecouteur->evenements(u"listeaaaaa"_s).size(), 1, 1000);
        }
        // A HEAD gets the headers of the stream, or of a file, and nothing more.
        for (const auto& cible : {"/api/evenements"_ba, "/t/listeaaaaa/f/a.txt"_ba, "/t/listeaaaaa"_ba}) {
            const QByteArray tete = echangerBrut(
                s.port(), requeteBrute("HEAD " + cible, "X-Api-Key: " + s.cle().toUtf8() + "\r\n"));
            QVERIFY2(tete.startsWith("HTTP/1.1 200") && tete.endsWith("\r\n\r\n"), tete.constData());
        }
        QTRY_COMPARE(s.journal().filter(u"HEAD /t/listeaaaaa 200 0 "_s).size(), 1);
        // Its leaving is seen at once, not at the next ping.
        premier.socket.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(s.journal().filter(u"GET /api/evenements 200"_s).size(), 2, 250);
        // At most 1000 listeners, the one left included, wherever they come from: the next one is asked to
        // come back later.
        const auto demande = requeteBrute("GET /api/evenements", "X-Api-Key: " + s.cle().toUtf8() + "\r\n");
        std::vector<std::unique_ptr<QTcpSocket>> ecouteurs;
        for (int i = 0; i < 999; ++i) {
            ecouteurs.push_back(connecter(s.port(), boucleLocale(100 + i / 8)));
            ecouteurs.back()->write(demande);
        }
        for (const auto& ecouteur : ecouteurs) {
            QTRY_VERIFY(ecouteur->bytesAvailable() > 0 || ecouteur->waitForReadyRead(10));
        }
        const auto refus = connecter(s.port(), boucleLocale(240));
        refus->write(demande);
        QByteArray tete;
        QTRY_VERIFY((tete += refus->readAll()).contains("\r\n\r\n"));
        QVERIFY2(tete.startsWith("HTTP/1.1 503") && tete.contains("Retry-After: 60\r\n"), tete.constData());
        m_serveur.reset();
        QTRY_COMPARE(second.socket.state(), QAbstractSocket::UnconnectedState);
    }

    // Behind nginx: links carry the public scheme and host, and each visitor is told apart. One access line
    // per request: client, method, path without its query, status, bytes; no secret.
    void derriereUnProxy()
    {
        demarrer(true);
        ServeurDeTest& s = *m_serveur;
        s.creer(corpsDe(u"protegeaaa"_s, {u"DATA/Clients/a.txt"_s}, u"motsecret"_s));
        const ProxyDeTest proxy({s.port()});
        const int port = proxy.port();

        const QByteArray liste = echangerBrut(
            port, requeteBrute("GET /api/transferts", "X-Api-Key: " + s.cle().toUtf8() + "\r\n"));
        QVERIFY2(liste.contains("\"url\":\"https://transferts.exemple.ch/t/protegeaaa\""), liste.constData());
        const QByteArray formulaire =
            "Content-Type: application/x-www-form-urlencoded\r\nX-Forwarded-For: 10.0.0.1\r\n";
        const auto essayer = [&](const QByteArray& motDePasse, int client) {
            return echangerBrut(port,
                                requeteBrute("POST /t/protegeaaa", formulaire, "mot_de_passe=" + motDePasse),
                                boucleLocale(client));
        };
        QCOMPARE(statuts(essayer("faux", 2)), QList<int>{401});
        const QByteArray ouvert = essayer("motsecret", 3);
        QVERIFY2(statuts(ouvert) == QList<int>{303} && ouvert.contains("; Secure"), ouvert.constData());
        QCOMPARE(statuts(essayer("motsecret", 2)), QList<int>{429});
        // Only the proxy is believed: a client's own claim, direct or through it, is not its address.
        echangerBrut(
            s.port(),
            requeteBrute("GET /t/listeaaaaa/f/a.txt?apercu=1&jeton=secret", "X-Forwarded-For: 10.9.9.9\r\n"),
            boucleLocale(7));
        const QString journal = s.journal().join(u'\n');
        QVERIFY2(journal.contains(QRegularExpression(
                     u"acces \\S+Z 127\\.0\\.0\\.7 GET /t/listeaaaaa/f/a\\.txt 200 7 \\d+ms"_s)),
                 qPrintable(journal));
        QVERIFY(journal.contains(u" 127.0.0.2 POST /t/protegeaaa 401 "_s) &&
                journal.contains(u" 127.0.0.3 POST /t/protegeaaa 303 "_s));
        for (const QString& secret : {u"secret"_s, s.cle(), u"10.0.0.1"_s, u"10.9.9.9"_s}) {
            QVERIFY2(!journal.contains(secret), qPrintable(secret));
        }
    }

private:
    void demarrer(bool derriereUnProxy = false)
    {
        m_serveur.reset();
        m_serveur = std::make_unique<ServeurDeTest>([derriereUnProxy](serveur::Configuration& c) {
            // Small limits so that deadlines pass within the test's time.
            c.limites.delaiEntetes = std::chrono::milliseconds(800);
            c.limites.delaiCorps = std::chrono::milliseconds(800);
            c.limites.inactivite = std::chrono::milliseconds(800);
            c.limites.delaiEcriture = std::chrono::milliseconds(800);
            c.limites.battementFlux = std::chrono::milliseconds(300);
            c.limites.nbMaxEntetes = 50;
            c.limites.connexionsParClient = 8;
            c.proxyDeConfiance = derriereUnProxy ? "127.0.0.1" : "";
        });
        m_grand = m_serveur->creerListe();
    }

    std::unique_ptr<ServeurDeTest> m_serveur;
    QByteArray m_grand;
};

VALTO_INSCRIRE_TESTS(TestServeurHTTP)

#include "TestServeurHTTP.moc"
