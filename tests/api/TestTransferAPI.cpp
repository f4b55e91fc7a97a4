#include "api/DepuisAPI.h"
#include "api/EcouteEvenements.h"
#include "api/EnregistrementsServeur.h"
#include "api/TransferAPI.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray enregistrement =
    R"({"token":"abc123defg","titre":"Photos","url":"https://t.test/abc123defg","protege":false,)"
    R"("cree_le":"2026-12-04T09:30:00Z","expire_le":null,"nb_telechargements":0,"nb_fichiers":1,)"
    R"("octets":9007199254740993})";

// Every key the server may send, each with a usable value.
QJsonObject enregistrementComplet()
{
    return QJsonDocument::fromJson(
               R"({"token":"abc123defg","titre":"Photos","url":"https://t.test/abc123defg","protege":true,)"
               R"("cree_le":"2026-12-04T09:30:00Z","expire_le":"2026-12-11T10:30:00+01:00",)"
               R"("nb_telechargements":3,"dernier_telechargement":"2026-12-05T08:00:00+01:00","nb_vues":7,)"
               R"("premiere_vue":"2026-12-04T10:00:00Z","derniere_vue":"2026-12-05T11:00:00Z",)"
               R"("type":"transfert","nb_fichiers":2,"octets":123456})")
        .object();
}

QDateTime le(int jour, int heure, int minute = 0)
{
    return QDateTime(QDate(2026, 12, jour), QTime(heure, minute), Qt::UTC);
}

CorpsCreation corpsCreation()
{
    return {u"abc123defg"_s, u"Été \"final\" \\ 1/2\n\u0001"_s,     u"Camille"_s,   7,
            u"s3cret"_s,     {u"DATA/Clients/a.jpg"_s, u"b.pdf"_s}, u"transfert"_s, std::nullopt};
}

template <typename T> QString texte(QCoro::Task<Resultat<T, ErreurAPI>> tache)
{
    const Resultat<T, ErreurAPI> resultat = QCoro::waitFor(std::move(tache));
    return resultat ? QString() : description(resultat.error());
}

// One operation of the client, its route, and its error's text when run (empty on success).
struct Operation {
    QByteArray methode;
    QByteArray chemin;
    std::function<QString(const TransferAPI&)> lancer;
};

const Operation creer{"POST", "/api/transferts",
                      [](const TransferAPI& api) { return texte(api.creerTransfert(corpsCreation())); }};
const Operation lister{"GET", "/api/transferts",
                       [](const TransferAPI& api) { return texte(api.listerTransferts()); }};
const Operation partages{"GET", "/api/partages",
                         [](const TransferAPI& api) { return texte(api.listerPartages()); }};
const Operation modifier{"PATCH", "/api/transferts/abc123defg", [](const TransferAPI& api) {
                             return texte(api.modifierTransfert(u"abc123defg"_s, {u"Nouveau"_s, 0}));
                         }};
const Operation supprimer{"DELETE", "/api/transferts/abc123defg", [](const TransferAPI& api) {
                              return texte(api.supprimerTransfert(u"abc123defg"_s));
                          }};

const QString illisible = u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s;

} // namespace

// The server's records decoded, and the client against the loopback server.
class TestTransferAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A required key absent, null or of another type makes the record undecodable, naming the key;
    // optional ones may be absent or null, and unknown keys are ignored.
    void decodage_data()
    {
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QJsonValue>("valeur"); // undefined: the key is removed
        QTest::addColumn<bool>("decodable");
        QTest::newRow("octets fractionnaire") << u"octets"_s << QJsonValue(1.5) << false;
        QTest::newRow("nb_fichiers absent") << u"nb_fichiers"_s << QJsonValue(QJsonValue::Undefined) << false;
        QTest::newRow("expire_le nombre") << u"expire_le"_s << QJsonValue(1) << false;
        QTest::newRow("expire_le nul") << u"expire_le"_s << QJsonValue() << true;
        QTest::newRow("clé inconnue") << u"inconnue"_s << QJsonValue(QJsonObject{{u"x"_s, 1}}) << true;
    }
    void decodage()
    {
        QFETCH(QString, cle);
        QFETCH(QJsonValue, valeur);
        QFETCH(bool, decodable);
        QJsonObject objet = enregistrementComplet();
        valeur.isUndefined() ? void(objet.remove(cle)) : void(objet.insert(cle, valeur));
        const Resultat<TransfertAPI> t = TransfertAPI::depuisJSON(objet);
        QCOMPARE(t ? QString() : t.error().description(), decodable ? QString() : illisible.arg(cle));
    }

    // A record as a history entry and as statistics. Dates that do not parse: created now, no expiry, no
    // view date. No type: the mode's word. No password typed. No view count: none.
    void conversions()
    {
        const QDateTime maintenant = le(6, 12);
        const TransfertAPI complet = *TransfertAPI::depuisJSON(enregistrementComplet());
        QCOMPARE(transfertDepuisAPI(complet, u"secret"_s, u"compare"_s, maintenant),
                 Transfert(u"abc123defg"_s, u"Photos"_s, u"https://t.test/abc123defg"_s, true, le(4, 9, 30),
                           le(11, 9, 30), 2, 123456, u"secret"_s, u"transfert"_s));
        QCOMPARE(statsDepuisAPI(complet), (StatsTransfert{7, le(4, 10), le(5, 11), 3, le(5, 7)}));
        QJsonObject objet = enregistrementComplet();
        objet.insert(u"cree_le"_s, u"2026-12-04T09:30:00.250Z"_s);
        objet.insert(u"expire_le"_s, u"2026-12-11T09:30:00"_s);
        objet.remove(u"type"_s);
        objet.remove(u"nb_vues"_s);
        objet.insert(u"premiere_vue"_s, QJsonValue());
        objet.insert(u"derniere_vue"_s, u"hier"_s);
        const TransfertAPI partiel = *TransfertAPI::depuisJSON(objet);
        QCOMPARE(transfertDepuisAPI(partiel, QString(), u"compare"_s, maintenant),
                 Transfert(u"abc123defg"_s, u"Photos"_s, u"https://t.test/abc123defg"_s, true, maintenant,
                           std::nullopt, 2, 123456, std::nullopt, u"compare"_s));
        QCOMPARE(statsDepuisAPI(partiel), (StatsTransfert{0, std::nullopt, std::nullopt, 3, le(5, 7)}));
    }

    // What goes on the wire (method, path, both headers, the body to the byte), and the one status that
    // counts as success; a deletion's answer is not read.
    void requetesExactes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<QByteArray>("corps");
        QTest::newRow("creer")
            << creer << ReponseScriptee::json(201, enregistrement)
            << "{\"token\":\"abc123defg\",\"titre\":\"Été \\\"final\\\" \\\\ 1/2\\n\\u0001\","
               R"("expediteur":"Camille","expire_jours":7,"mot_de_passe":"s3cret",)"
               R"("fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"transfert"})"_ba;
        QTest::newRow("modifier") << modifier << ReponseScriptee::json(200, enregistrement)
                                  << R"({"titre":"Nouveau","expire_jours":0})"_ba;
        QTest::newRow("supprimer") << supprimer << ReponseScriptee::json(200, "<html>") << QByteArray();
    }
    void requetesExactes()
    {
        QFETCH(Operation, operation);
        QFETCH(ReponseScriptee, reponse);
        QFETCH(QByteArray, corps);
        ServeurLocal serveur;
        serveur.repondre(operation.methode, operation.chemin, reponse);
        QCOMPARE(operation.lancer(TransferAPI{serveur.origine(), u"clé 1"_s}), QString());
        const RequeteRecue recue = serveur.requetes().first();
        QCOMPARE(recue.methode + ' ' + recue.chemin, operation.methode + ' ' + operation.chemin);
        QCOMPARE(recue.entetes.value("x-api-key"), u"clé 1"_s.toUtf8());
        QVERIFY(recue.entetes.value("content-type") == "application/json" && recue.corps == corps);
        // Any other status, even a success one, is refused.
        reponse.statut = reponse.statut == 200 ? 299 : 200;
        serveur.remplacer(operation.methode, operation.chemin, reponse);
        QCOMPARE(operation.lancer(TransferAPI{serveur.origine(), u"k"_s}),
                 u"Serveur : erreur %1. "_s.arg(reponse.statut));
    }

    // Refused answers keep the server's "detail" only when it is a string, cut past 500 UTF-16 units but
    // never inside a character; answers that do not decode and failures below HTTP keep the platform's text.
    void echecs_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<QString>("texte");
        const ReponseScriptee tronquee{200, "{\"transferts\":[", "Content-Length: 500\r\n",
                                       ReponseScriptee::Forme::sansLongueur};
        const auto json = &ReponseScriptee::json;
        QTest::newRow("corps plus court qu'annoncé") << lister << tronquee << u"Connection closed"_s;
        QTest::newRow("sans réponse") << lister << ReponseScriptee{.delaiMs = 3000}
                                      << u"Le serveur ne répond pas (aucune réponse en 1 s)."_s;
        QTest::newRow("élément invalide")
            << lister << json(200, R"({"transferts":[)" + enregistrement + ",3]}")
            << u"Réponse du serveur illisible : un transfert n'est pas un objet JSON."_s;
        QTest::newRow("partage nombre")
            << partages << json(200, R"({"partages":["D",3]})") << illisible.arg(u"partages"_s);
        QTest::newRow("partages absents") << partages << json(200, "{}") << illisible.arg(u"partages"_s);
        QTest::newRow("JSON tronqué") << lister << json(200, "{\"transferts\":[")
                                      << u"Réponse du serveur illisible : JSON invalide à l'octet 15."_s;
        const QString detail500 = QString(498, u'a') + u"😀"_s;
        QTest::newRow("détail de 500")
            << supprimer << json(404, "{\"detail\":\"" + detail500.toUtf8() + "\"}")
            << u"Serveur : erreur 404. "_s + detail500;
        QTest::newRow("détail coupé")
            << supprimer << json(404, "{\"detail\":\"a" + detail500.toUtf8() + "\"}")
            << u"Serveur : erreur 404. a"_s + QString(498, u'a') + u'…';
        // Not followed: the key, and a creation's password, would go wherever the server points. The
        // user is told what to mend.
        const ReponseScriptee redirection{301, R"({"detail":"Déplacé."})",
                                          "Location: https://valto.example/api/transferts\r\n"};
        QTest::newRow("redirection 301") << creer << redirection
                                         << u"Le serveur redirige vers https://valto.example/api/transferts "
                                            u": corrige l'adresse du serveur dans Réglages."_s;
        // Past 16 MiB an answer is abandoned as it streams in, announced or not.
        QTest::newRow("démesurée") << lister
                                   << ReponseScriptee::flux(17 << 20, ReponseScriptee::Forme::sansLongueur)
                                   << u"Réponse du serveur trop volumineuse (plus de 16 Mio) : abandonnée."_s;
    }
    void echecs()
    {
        QFETCH(Operation, operation);
        QFETCH(ReponseScriptee, reponse);
        ServeurLocal serveur;
        serveur.repondre(operation.methode, operation.chemin, reponse);
        TransferAPI api{serveur.origine(), u"k"_s};
        api.delai = std::chrono::seconds(1); // 30 s by default
        QTEST(operation.lancer(api), "texte");
    }

    // Nothing is sent without a usable key and address; a line break in the key would smuggle a header.
    void configurationManquante()
    {
        ServeurLocal serveur;
#ifdef Q_OS_MACOS
        const QString message = u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s;
#else
        const QString message = u"Clé API manquante — renseigne-la dans Réglages (Ctrl+,)."_s;
#endif
        QCOMPARE(creer.lancer({serveur.origine(), QString()}), message);
        QCOMPARE(lister.lancer({serveur.origine(), u"k\r\nX: 1"_s}), message);
        QCOMPARE(supprimer.lancer({serveur.origine() + u"/a b%zz"_s, u"k"_s}), message);
    }

    // Qt re-sends a creation whose connection dropped before the answer: a 409 or a lost answer may hide
    // a transfer the server did register, with this token and this title. The client may be a temporary.
    void creationDejaEnregistree_data()
    {
        QTest::addColumn<ReponseScriptee>("creation");
        QTest::addColumn<QString>("titreListe");
        QTest::addColumn<QString>("erreur"); // empty: the listed record is the result
        const ReponseScriptee conflit = ReponseScriptee::json(409, R"({"detail":"Token déjà utilisé"})");
        const ReponseScriptee perdue{.forme = ReponseScriptee::Forme::coupee};
        const QString titre = corpsCreation().titre;
        QTest::newRow("409, enregistré") << conflit << titre << QString();
        QTest::newRow("réponse perdue, enregistré") << perdue << titre << QString();
        QTest::newRow("409, autre titre")
            << conflit << u"Photos"_s << u"Serveur : erreur 409. Token déjà utilisé"_s;
    }
    void creationDejaEnregistree()
    {
        QFETCH(ReponseScriptee, creation);
        QFETCH(QString, titreListe);
        QFETCH(QString, erreur);
        ServeurLocal serveur;
        QJsonObject enregistre = QJsonDocument::fromJson(enregistrement).object();
        enregistre.insert(u"titre"_s, titreListe);
        const auto liste = QJsonDocument(QJsonObject{{u"transferts"_s, QJsonArray{enregistre}}}).toJson();
        serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(200, liste));
        serveur.repondre("POST", "/api/transferts", creation);
        const Resultat<TransfertAPI, ErreurAPI> resultat =
            QCoro::waitFor(TransferAPI{serveur.origine(), u"k"_s}.creerTransfert(corpsCreation()));
        if (erreur.isEmpty()) {
            QCOMPARE(resultat, *TransfertAPI::depuisJSON(enregistre));
            QCOMPARE(resultat->octets, Q_INT64_C(9007199254740993));
        } else {
            QCOMPARE(description(resultat.error()), erreur);
        }
    }

    // The history's statistics: one entry per token, nothing at all when the list cannot be had.
    void statistiquesDuServeur()
    {
        EnvironnementTest env;
        ServeurLocal serveur;
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
        serveur.repondre("GET", "/api/transferts",
                         ReponseScriptee::json(200, "{\"transferts\":[" + enregistrement + "]}"));
        serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(500, {}));
        const HistoryStore::SourceStats source = statsDuServeur(env.preferences());
        QCOMPARE(QCoro::waitFor(source()),
                 (QHash<QString, StatsTransfert>{{u"abc123defg"_s, StatsTransfert()}}));
        QCOMPARE(QCoro::waitFor(source()), std::nullopt);
    }

    // Pieces cut anywhere, the three line ends, comments, repeated data; an oversized line ends the stream.
    void lectureSSE_data()
    {
        QTest::addColumn<QByteArrayList>("morceaux");
        QTest::addColumn<QStringList>("attendus");
        QTest::newRow("LF, commentaire, trois data dont une vide")
            << QByteArrayList{": connecté\n\nevent: telechargement\ndata: {\"a\":1}\ndata: x\ndata\n\n"}
            << QStringList{u"telechargement|{\"a\":1}\nx\n"_s};
        QTest::newRow("CRLF coupé entre CR et LF")
            << QByteArrayList{"event: ouverture\r", "\ndata:1\r\n", "\r\n"} << QStringList{u"ouverture|1"_s};
        QTest::newRow("CR seuls, type remis à zéro")
            << QByteArrayList{"event: ouverture\rdata: a\r\rdata:  b\r\r"}
            << QStringList{u"ouverture|a"_s, u"message| b"_s};
        QTest::newRow("BOM, UTF-8 coupé")
            << QByteArrayList{"\xEF\xBB\xBF", "data: \xC3", "\xA9\n\n"} << QStringList{u"message|é"_s};
        QTest::newRow("ligne démesurée")
            << QByteArrayList{QByteArray(LecteurSSE::tailleMaxParDefaut + 1, 'a')}
            << QStringList{u"débordement"_s};
    }
    void lectureSSE()
    {
        QFETCH(QByteArrayList, morceaux);
        LecteurSSE lecteur;
        QStringList lus;
        for (const QByteArray& morceau : morceaux) {
            const std::optional<QList<EvenementSSE>> evenements = lecteur.lire(morceau);
            for (const EvenementSSE& e : evenements.value_or(QList<EvenementSSE>{{u"débordement"_s, {}}})) {
                lus.append(e.type == u"débordement" ? e.type : e.type + u'|' + e.donnees);
            }
        }
        QTEST(lus, "attendus");
    }

    // The listener against scripted answers: only a stream of events is read, and only known events whose
    // data is a transfer record come out; 404 ends listening until another server or key is set; other
    // failures, ends and silences come back again and again.
    void ecoute_data()
    {
        const QByteArray evenements = ": connecté\n\nevent: telechargement\ndata: " + enregistrement +
                                      "\n\nevent: autre\ndata: " + enregistrement +
                                      "\n\nevent: ouverture\ndata: " + enregistrement +
                                      "\n\nevent: ouverture\ndata: {}\n\n";
        const auto ouverte = [](const QByteArray& corps, const QByteArray& type) {
            return ReponseScriptee{200, corps, "Content-Type: " + type + "\r\n",
                                   ReponseScriptee::Forme::ouverte};
        };
        const ReponseScriptee fermee{200, evenements, "Content-Type: text/event-stream\r\n",
                                     ReponseScriptee::Forme::sansLongueur};
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<bool>("reprise");
        QTest::addColumn<int>("recus");
        QTest::newRow("flux ouvert") << ouverte(evenements, "text/event-stream") << false << 1;
        QTest::newRow("flux fermé") << fermee << true << 3;
        QTest::newRow("page HTML") << ouverte(evenements, "text/html") << true << 0;
        QTest::newRow("flux muet") << ouverte(": connecté\n\n", "text/event-stream") << true << 0;
        QTest::newRow("401") << ReponseScriptee::json(401, {}) << true << 0;
        QTest::newRow("404") << ReponseScriptee::json(404, {}) << false << 0;
    }
    void ecoute()
    {
        QFETCH(ReponseScriptee, reponse);
        QFETCH(bool, reprise);
        QFETCH(int, recus);
        EnvironnementTest env;
        ServeurLocal serveur;
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        serveur.repondre("GET", "/api/evenements", reponse);
        EcouteEvenements ecoute(env.preferences());
        ecoute.delaiInitial = std::chrono::milliseconds(20);
        ecoute.silenceMax = std::chrono::milliseconds(700);
        QSignalSpy telecharges(&ecoute, &EcouteEvenements::transfertTelecharge);
        QSignalSpy ouverts(&ecoute, &EcouteEvenements::transfertOuvert);
        ecoute.demarrer();
        // A key that comes later (from the NAS) is taken at the next attempt.
        env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
        QTRY_VERIFY(serveur.requetes().size() >= (reprise ? 3 : 1) && telecharges.size() >= recus);
        QCOMPARE(telecharges.isEmpty(), recus == 0);
        if (reprise) {
            return;
        }
        // Settings saved unchanged neither open a second stream nor retry after a 404.
        ecoute.demarrer();
        QTest::qWait(200);
        QVERIFY(serveur.requetes().size() == 1 && telecharges.size() == recus && ouverts.size() == recus);
        QCOMPARE(ecoute.fluxOuvert(), recus > 0);
        env.preferences().ecrire(Preferences::cleApiKey, u"k2"_s);
        ecoute.demarrer();
        QTRY_VERIFY(serveur.requetes().size() >= 2);
    }
};

VALTO_INSCRIRE_TESTS(TestTransferAPI)
#include "TestTransferAPI.moc"
