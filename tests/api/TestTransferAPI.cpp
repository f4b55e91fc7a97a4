#include "api/DepuisAPI.h"
#include "api/TransferAPI.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray enregistrement =
    R"({"token":"abc123defg","titre":"Photos","url":"https://t.test/abc123defg","protege":false,)"
    R"("cree_le":"2026-12-04T09:30:00Z","expire_le":null,"nb_telechargements":0,"nb_fichiers":1,)"
    R"("octets":9007199254740993})";

CorpsCreation corpsCreation()
{
    return {u"abc123defg"_s, u"Été \"final\" \\ 1/2\n\u0001"_s,     u"Camille"_s,   7,
            u"s3cret"_s,     {u"DATA/Clients/a.jpg"_s, u"b.pdf"_s}, u"transfert"_s, std::nullopt};
}

// Runs one operation of the client and keeps its error's text (empty on success).
using Operation = std::function<QString(const TransferAPI&)>;

template <typename T> QString texte(QCoro::Task<Resultat<T, ErreurAPI>> tache)
{
    const Resultat<T, ErreurAPI> resultat = QCoro::waitFor(std::move(tache));
    return resultat ? QString() : description(resultat.error());
}

const Operation creer = [](const TransferAPI& api) { return texte(api.creerTransfert(corpsCreation())); };
const Operation lister = [](const TransferAPI& api) { return texte(api.listerTransferts()); };
const Operation partages = [](const TransferAPI& api) { return texte(api.listerPartages()); };
const Operation modifier = [](const TransferAPI& api) {
    return texte(api.modifierTransfert(u"abc123defg"_s, {u"Nouveau"_s, 0}));
};
const Operation supprimer = [](const TransferAPI& api) {
    return texte(api.supprimerTransfert(u"abc123defg"_s));
};

const QString illisible = u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s;

} // namespace

Q_DECLARE_METATYPE(ReponseScriptee)
Q_DECLARE_METATYPE(Operation)

class TestTransferAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes on the wire (method, path, both headers, the body to the byte), and the one status that
    // counts as success; a deletion's answer is not read.
    void requetesExactes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<QByteArray>("corps");
        QTest::newRow("creer")
            << creer << "POST /api/transferts"_ba << ReponseScriptee::json(201, enregistrement)
            << "{\"token\":\"abc123defg\",\"titre\":\"Été \\\"final\\\" \\\\ 1/2\\n\\u0001\","
               R"("expediteur":"Camille","expire_jours":7,"mot_de_passe":"s3cret",)"
               R"("fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"transfert"})"_ba;
        QTest::newRow("lister") << lister << "GET /api/transferts"_ba
                                << ReponseScriptee::json(200, "{\"transferts\":[" + enregistrement + "]}")
                                << QByteArray();
        QTest::newRow("partages") << partages << "GET /api/partages"_ba
                                  << ReponseScriptee::json(200, R"({"partages":["DATA"]})") << QByteArray();
        QTest::newRow("modifier") << modifier << "PATCH /api/transferts/abc123defg"_ba
                                  << ReponseScriptee::json(200, enregistrement)
                                  << R"({"titre":"Nouveau","expire_jours":0})"_ba;
        QTest::newRow("supprimer") << supprimer << "DELETE /api/transferts/abc123defg"_ba
                                   << ReponseScriptee::json(200, "<html>") << QByteArray();
    }
    void requetesExactes()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, route);
        QFETCH(ReponseScriptee, reponse);
        QFETCH(QByteArray, corps);
        ServeurLocal serveur;
        const QByteArray methode = route.split(' ').first(), chemin = route.split(' ').last();
        serveur.repondre(methode, chemin, reponse);
        QCOMPARE(operation(TransferAPI{serveur.origine(), u"clé-1"_s}), QString());
        const RequeteRecue recue = serveur.requetes().first();
        QCOMPARE(recue.methode + ' ' + recue.chemin, route);
        QCOMPARE(recue.entete("x-api-key"), u"clé-1"_s.toUtf8());
        QCOMPARE(recue.entete("content-type"), "application/json");
        QCOMPARE(recue.corps, corps);
        // Any other status, even a success one, is refused.
        reponse.statut = reponse.statut == 200 ? 201 : 200;
        serveur.remplacer(methode, chemin, reponse);
        QCOMPARE(operation(TransferAPI{serveur.origine(), u"k"_s}),
                 u"Serveur : erreur %1. "_s.arg(reponse.statut));
    }

    // Refused answers keep the server's "detail" only when it is a string; answers that do not decode and
    // failures below HTTP keep the platform's text.
    void echecs_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<QString>("texte"); // empty: any non-empty text
        ReponseScriptee coupee, tronquee = ReponseScriptee::json(200, "{\"transferts\":[");
        coupee.forme = ReponseScriptee::Forme::coupee;
        tronquee.entetes = "Content-Length: 500\r\n";
        tronquee.forme = ReponseScriptee::Forme::sansLongueur;
        const auto json = [](int statut, const QByteArray& corps) {
            return ReponseScriptee::json(statut, corps);
        };
        QTest::newRow("detail") << supprimer << "DELETE /api/transferts/abc123defg"_ba
                                << json(404, R"({"detail":"Introuvable."})")
                                << u"Serveur : erreur 404. Introuvable."_s;
        QTest::newRow("detail liste")
            << modifier << "PATCH /api/transferts/abc123defg"_ba
            << json(422, R"({"detail":[{"msg":"requis"}]})") << u"Serveur : erreur 422. "_s;
        QTest::newRow("raccroche") << supprimer << "DELETE /api/transferts/abc123defg"_ba << coupee
                                   << u"Connection closed"_s;
        QTest::newRow("corps plus court qu'annoncé")
            << lister << "GET /api/transferts"_ba << tronquee << QString();
        QTest::newRow("octets au-delà de 64 bits")
            << modifier << "PATCH /api/transferts/abc123defg"_ba
            << json(200, QByteArray(enregistrement).replace("9007199254740993", "18446744073709551616"))
            << illisible.arg(u"octets"_s);
        QTest::newRow("transferts nul")
            << lister << "GET /api/transferts"_ba << json(200, R"({"transferts":null})")
            << illisible.arg(u"transferts"_s);
        QTest::newRow("élément invalide")
            << lister << "GET /api/transferts"_ba
            << json(200, R"({"transferts":[)" + enregistrement + ",{}]}") << illisible.arg(u"token"_s);
        QTest::newRow("partage nombre")
            << partages << "GET /api/partages"_ba << json(200, R"({"partages":["D",3]})")
            << illisible.arg(u"partages"_s);
    }
    void echecs()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, route);
        QFETCH(ReponseScriptee, reponse);
        QFETCH(QString, texte);
        ServeurLocal serveur;
        serveur.repondre(route.split(' ').first(), route.split(' ').last(), reponse);
        const QString obtenu = operation(TransferAPI{serveur.origine(), u"k"_s});
        QVERIFY(!obtenu.isEmpty());
        if (!texte.isEmpty()) {
            QCOMPARE(obtenu, texte);
        }
    }

    // Nothing is sent without a usable key and address; a line break in the key would smuggle a header.
    void configurationManquante()
    {
        ServeurLocal serveur;
        const QString message = u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s;
        const TransferAPI sansCle{serveur.origine(), QString()},
            cleSurDeuxLignes{serveur.origine(), u"k\r\nX: 1"_s},
            adresseInvalide{serveur.origine() + u"/a b%zz"_s, u"k"_s}, correct{u"https://t.test"_s, u"k"_s};
        QCOMPARE(creer(sansCle), message);
        QCOMPARE(lister(cleSurDeuxLignes), message);
        QCOMPARE(supprimer(adresseInvalide), message);
        QCOMPARE(serveur.nombreDeRequetes(), 0);
        QCOMPARE(correct.requete(u"/x"_s, "GET")->requete.transferTimeout(), 30000);
    }

    // Qt re-sends a creation whose connection dropped before the answer: a 409 or a lost answer may hide
    // a transfer the server did register, with this token and this title. The client may be a temporary.
    void creationDejaEnregistree_data()
    {
        QTest::addColumn<ReponseScriptee>("creation");
        QTest::addColumn<QString>("titreListe");
        QTest::addColumn<QString>("erreur"); // empty: the listed record is the result
        const ReponseScriptee conflit = ReponseScriptee::json(409, R"({"detail":"Token déjà utilisé"})");
        const QString refus = u"Serveur : erreur 409. Token déjà utilisé"_s;
        ReponseScriptee perdue;
        perdue.forme = ReponseScriptee::Forme::coupee;
        const QString titre = corpsCreation().titre;
        QTest::newRow("409, enregistré") << conflit << titre << QString();
        QTest::newRow("réponse perdue, enregistré") << perdue << titre << QString();
        QTest::newRow("409, autre titre") << conflit << u"Photos"_s << refus;
        QTest::newRow("409, pas listé") << conflit << QString() << refus;
        QTest::newRow("500, enregistré")
            << ReponseScriptee::json(500, {}) << titre << u"Serveur : erreur 500. "_s;
    }
    void creationDejaEnregistree()
    {
        QFETCH(ReponseScriptee, creation);
        QFETCH(QString, titreListe);
        QFETCH(QString, erreur);
        ServeurLocal serveur;
        QJsonObject enregistre = QJsonDocument::fromJson(enregistrement).object();
        enregistre.insert(u"titre"_s, titreListe);
        const QJsonArray liste = titreListe.isEmpty() ? QJsonArray() : QJsonArray{enregistre};
        serveur.repondre(
            "GET", "/api/transferts",
            ReponseScriptee::json(200, QJsonDocument(QJsonObject{{u"transferts"_s, liste}}).toJson()));
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

    // The history's statistics: one entry per token (the last record of a token listed twice), nothing at
    // all when the list cannot be had.
    void statistiquesDuServeur()
    {
        EnvironnementTest env;
        ServeurLocal serveur;
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"k"_s);
        const QByteArray premier =
            QByteArray(enregistrement).replace(R"("nb_telechargements":0)", R"("nb_telechargements":1)");
        serveur.repondre(
            "GET", "/api/transferts",
            ReponseScriptee::json(200, "{\"transferts\":[" + premier + "," + enregistrement + "]}"));
        serveur.repondre("GET", "/api/transferts", ReponseScriptee::json(500, {}));
        const HistoryStore::SourceStats source = statsDuServeur(env.preferences());
        QCOMPARE(QCoro::waitFor(source()),
                 (QHash<QString, StatsTransfert>{{u"abc123defg"_s, StatsTransfert()}}));
        QCOMPARE(QCoro::waitFor(source()), std::nullopt);
    }
};

VALTO_INSCRIRE_TESTS(TestTransferAPI)
#include "TestTransferAPI.moc"
