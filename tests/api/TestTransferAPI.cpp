#include "api/TransferAPI.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

const QByteArray enregistrement =
    R"({"token":"abc123defg","titre":"Photos","url":"https://t.test/abc123defg",)"
    R"("protege":false,"cree_le":"2026-12-04T09:30:00Z","expire_le":null,)"
    R"("nb_telechargements":0,"nb_fichiers":1,"octets":9007199254740993})";

CorpsCreation corpsCreation()
{
    return {u"abc123defg"_s, u"Été \"final\" \\ 1/2\n\u0001"_s,     u"Camille"_s,   7,
            u"s3cret"_s,     {u"DATA/Clients/a.jpg"_s, u"b.pdf"_s}, u"transfert"_s, std::nullopt};
}

template <typename T> std::optional<ErreurAPI> erreurDe(QCoro::Task<Resultat<T, ErreurAPI>> tache)
{
    const Resultat<T, ErreurAPI> resultat = QCoro::waitFor(std::move(tache));
    return resultat ? std::nullopt : std::optional<ErreurAPI>(resultat.error());
}

// Each operation: its route, the one status that means success, the body it sends, an answer it
// accepts, and the call itself.
struct Operation {
    QByteArray methode;
    QByteArray chemin;
    int succes;
    QByteArray requete;
    QByteArray reponse;
    std::optional<ErreurAPI> (*executer)(const TransferAPI&);
};

const std::map<QByteArray, Operation> operations = {
    {"creer",
     {"POST", "/api/transferts", 201,
      "{\"token\":\"abc123defg\",\"titre\":\"Été \\\"final\\\" \\\\ 1/2\\n\\u0001\","
      R"("expediteur":"Camille","expire_jours":7,"mot_de_passe":"s3cret",)"
      R"("fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"transfert"})",
      enregistrement, [](const TransferAPI& api) { return erreurDe(api.creerTransfert(corpsCreation())); }}},
    {"lister",
     {"GET", "/api/transferts", 200, QByteArray(), R"({"transferts":[)" + enregistrement + "]}",
      [](const TransferAPI& api) { return erreurDe(api.listerTransferts()); }}},
    {"partages",
     {"GET", "/api/partages", 200, QByteArray(), R"({"partages":["DATA"]})",
      [](const TransferAPI& api) { return erreurDe(api.listerPartages()); }}},
    {"modifier",
     {"PATCH", "/api/transferts/abc123defg", 200, R"({"titre":"Nouveau","expire_jours":0})", enregistrement,
      [](const TransferAPI& api) {
          return erreurDe(api.modifierTransfert(u"abc123defg"_s, {u"Nouveau"_s, 0}));
      }}},
    // Whatever a deletion's answer holds, it is not read.
    {"supprimer",
     {"DELETE", "/api/transferts/abc123defg", 200, QByteArray(), "<html>pas du JSON</html>",
      [](const TransferAPI& api) { return erreurDe(api.supprimerTransfert(u"abc123defg"_s)); }}},
};

// Scripts `reponse` (status 0: the operation's success status) on the operation's route and runs it.
std::optional<ErreurAPI> executer(ServeurLocal& serveur, const QByteArray& nom, ReponseScriptee reponse,
                                  const QString& cle = u"k"_s, const QString& suffixeURL = {})
{
    const Operation& operation = operations.at(nom);
    if (reponse.statut == 0) {
        reponse.statut = operation.succes;
    }
    serveur.repondre(operation.methode, operation.chemin, reponse);
    return operation.executer(TransferAPI{serveur.origine() + suffixeURL, cle});
}

// A row of a table whose first column is the operation's name.
QTestData& ligne(const QByteArray& nom, const char* cas)
{
    return QTest::addRow("%s : %s", nom.constData(), cas) << nom;
}

} // namespace

Q_DECLARE_METATYPE(ReponseScriptee)

class TestTransferAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes on the wire: method, path, both headers on every request, and the body to the byte.
    void requetesExactes_data()
    {
        QTest::addColumn<QByteArray>("nom");
        for (const auto& [nom, operation] : operations) {
            ligne(nom, "succès");
        }
    }
    void requetesExactes()
    {
        QFETCH(QByteArray, nom);
        const Operation& operation = operations.at(nom);
        ServeurLocal serveur;
        const auto erreur = executer(serveur, nom, ReponseScriptee::json(0, operation.reponse), u"clé-1"_s);
        QVERIFY2(!erreur, erreur ? qPrintable(description(*erreur)) : "");
        QCOMPARE(serveur.nombreDeRequetes(), 1);
        const RequeteRecue recue = serveur.requetes().first();
        QCOMPARE(recue.methode, operation.methode);
        QCOMPARE(recue.chemin, operation.chemin);
        QCOMPARE(recue.entete("x-api-key"), u"clé-1"_s.toUtf8());
        QCOMPARE(recue.entete("content-type"), "application/json");
        QCOMPARE(recue.corps, operation.requete);
    }

    // Absent options are left out, and "ordre" comes last.
    void corpsOptionnels()
    {
        CorpsCreation comparaison = corpsCreation();
        comparaison.titre = u"Avant/après"_s;
        comparaison.motDePasse.reset();
        comparaison.type = u"compare"_s;
        comparaison.ordre = QStringList{u"avant.jpg"_s, u"après.jpg"_s};
        QCOMPARE(comparaison.versJSON(),
                 QByteArray(R"({"token":"abc123defg","titre":"Avant/après","expediteur":"Camille",)"
                            R"("expire_jours":7,"fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"compare",)"
                            R"("ordre":["avant.jpg","après.jpg"]})"));
        QCOMPARE(CorpsModification{}.versJSON(), "{}");
    }

    void resultatsDecodes()
    {
        ServeurLocal serveur;
        serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, enregistrement));
        serveur.repondre("GET", "/api/transferts",
                         ReponseScriptee::json(200, operations.at("lister").reponse));
        ReponseScriptee lente = ReponseScriptee::json(200, R"({"partages":["DATA","Clients é"]})");
        lente.forme = ReponseScriptee::Forme::sansLongueur;
        lente.delaiMs = 50;
        serveur.repondre("GET", "/api/partages", lente);
        const TransferAPI api{serveur.origine(), u"k"_s};
        const Resultat<TransfertAPI, ErreurAPI> cree = QCoro::waitFor(api.creerTransfert(corpsCreation()));
        QVERIFY(cree.has_value());
        QCOMPARE(cree->octets, Q_INT64_C(9007199254740993));
        QCOMPARE(cree->expireLe, std::nullopt);
        const Resultat<QList<TransfertAPI>, ErreurAPI> liste = QCoro::waitFor(api.listerTransferts());
        QCOMPARE(liste, QList<TransfertAPI>{*cree});
        // The client may be a temporary that is gone long before the answer arrives.
        auto partages = [&] { return TransferAPI{serveur.origine(), u"k"_s}.listerPartages(); }();
        const Resultat<QStringList, ErreurAPI> noms = QCoro::waitFor(std::move(partages));
        QCOMPARE(noms, QStringList({u"DATA"_s, u"Clients é"_s}));
    }

    // Qt re-sends a creation whose connection dropped before the answer: a 409 or a lost answer may
    // hide a transfer the server did register, with this token and this title.
    void creationDejaEnregistree_data()
    {
        QTest::addColumn<ReponseScriptee>("creation");
        QTest::addColumn<QString>("titreListe");
        QTest::addColumn<QString>("erreur"); // empty: the listed record is the result
        const ReponseScriptee conflit = ReponseScriptee::json(409, R"({"detail":"Token déjà utilisé"})");
        const QString refus = u"Serveur : erreur 409. Token déjà utilisé"_s;
        ReponseScriptee perdue = ReponseScriptee::json(201, {});
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
        } else {
            QVERIFY(!resultat);
            QCOMPARE(description(resultat.error()), erreur);
        }
    }

    // Refused answers (only the exact status passes; "detail" counts only as a string), answers that do
    // not decode, and failures below HTTP, which keep the platform's text (empty: any) and never hang.
    void echecs_data()
    {
        QTest::addColumn<QByteArray>("nom");
        QTest::addColumn<ReponseScriptee>("reponse");
        QTest::addColumn<bool>("refusServeur");
        QTest::addColumn<QString>("texte");
        const auto refus = [](const QByteArray& nom, const char* cas, int statut, const QByteArray& corps,
                              const QString& texte) {
            ligne(nom, cas) << ReponseScriptee::json(statut, corps) << true << texte;
        };
        ReponseScriptee coupee = ReponseScriptee::json(0, {});
        coupee.forme = ReponseScriptee::Forme::coupee;
        ReponseScriptee tronquee = ReponseScriptee::json(0, "{\"transferts\":[");
        tronquee.entetes = {{"Content-Length", "500"}};
        tronquee.forme = ReponseScriptee::Forme::sansLongueur;
        for (const auto& [nom, operation] : operations) {
            refus(nom, "detail", 404, R"({"detail":"Transfert « %1 » introuvable."})",
                  u"Serveur : erreur 404. Transfert « %1 » introuvable."_s);
            refus(nom, "page HTML", 500, "<html>Oups</html>", u"Serveur : erreur 500. "_s);
            refus(nom, "detail liste", 422, R"({"detail":[{"msg":"requis"}]})", u"Serveur : erreur 422. "_s);
            refus(nom, "204", 204, {}, u"Serveur : erreur 204. "_s);
            ligne(nom, "raccroche") << coupee << false << QString();
            ligne(nom, "corps plus court qu'annoncé") << tronquee << false << QString();
        }
        refus("creer", "200 au lieu de 201", 200, enregistrement, u"Serveur : erreur 200. "_s);

        const auto illisible = [](const QByteArray& nom, const char* cas, const QByteArray& corps,
                                  const QString& cle) {
            QJsonParseError erreur;
            QJsonDocument::fromJson(corps, &erreur);
            const QString texte =
                cle.isEmpty()
                    ? erreur.errorString()
                    : u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s.arg(cle);
            ligne(nom, cas) << ReponseScriptee::json(0, corps) << false << texte;
        };
        const auto octets = [](const char* valeur) {
            return QByteArray(enregistrement).replace("9007199254740993", valeur);
        };
        illisible("lister", "JSON tronqué", R"({"transferts":[{"token":"a")", {});
        illisible("partages", "UTF-8 invalide", "{\"partages\":[\"DA\xff\xfeTA\"]}", {});
        illisible("lister", "imbrication profonde", QByteArray(5000, '[') + QByteArray(5000, ']'), {});
        illisible("creer", "nombre démesuré", octets("1e400"), {});
        illisible("modifier", "octets au-delà de 64 bits", octets("18446744073709551616"), u"octets"_s);
        illisible("lister", "transferts nul", R"({"transferts":null})", u"transferts"_s);
        illisible("lister", "élément invalide", R"({"transferts":[)" + enregistrement + ",{}]}", u"token"_s);
        illisible("partages", "partage nombre", R"({"partages":["DATA",3]})", u"partages"_s);
        ligne("creer", "transfert tableau")
            << ReponseScriptee::json(0, "[]") << false
            << u"Réponse du serveur illisible : un transfert n'est pas un objet JSON."_s;
    }
    void echecs()
    {
        QFETCH(QByteArray, nom);
        QFETCH(ReponseScriptee, reponse);
        QFETCH(bool, refusServeur);
        QFETCH(QString, texte);
        ServeurLocal serveur;
        const std::optional<ErreurAPI> erreur = executer(serveur, nom, reponse);
        QVERIFY(erreur.has_value());
        QCOMPARE(std::holds_alternative<TransferAPIErreur>(*erreur), refusServeur);
        QVERIFY(!description(*erreur).isEmpty());
        if (!texte.isEmpty()) {
            QCOMPARE(description(*erreur), texte);
        }
    }

    // Nothing is sent without a usable key and address.
    void configurationManquante_data()
    {
        QTest::addColumn<QByteArray>("nom");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QString>("suffixeURL");
        for (const auto& [nom, operation] : operations) {
            ligne(nom, "clé vide") << QString() << QString();
            // A line break would smuggle a header of its own into the request.
            ligne(nom, "clé sur deux lignes") << u"k\r\nX-Autre: 1"_s << QString();
            ligne(nom, "adresse invalide") << u"k"_s << u"/a b%zz"_s;
        }
    }
    void configurationManquante()
    {
        QFETCH(QByteArray, nom);
        QFETCH(QString, cle);
        QFETCH(QString, suffixeURL);
        ServeurLocal serveur;
        const auto erreur = executer(serveur, nom, ReponseScriptee::json(0, {}), cle, suffixeURL);
        QVERIFY(erreur && std::holds_alternative<TransferAPIErreur>(*erreur));
        QCOMPARE(description(*erreur), u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s);
        QCOMPARE(serveur.nombreDeRequetes(), 0);
    }

    // A refused connection keeps the platform's text; an answer that is not HTTP counts as status 0.
    void horsHTTP()
    {
        const quint16 port = ServeurLocal().port();
        QCOMPARE(operations.at("lister").executer(TransferAPI{u"http://127.0.0.1:%1"_s.arg(port), u"k"_s}),
                 std::optional<ErreurAPI>(ErreurSysteme{u"Connection refused"_s}));
        QCOMPARE(operations.at("partages").executer(TransferAPI{u"data:application/json,"_s, u"k"_s}),
                 std::optional<ErreurAPI>(TransferAPIErreur::http(0, {})));
    }

    void delaiDeTransfert()
    {
        const auto requete = TransferAPI{u"https://t.test"_s, u"k"_s}.requete(u"/api/partages"_s, "GET");
        QVERIFY(requete.has_value());
        QCOMPARE(requete->requete.transferTimeout(), 30000);
        QCOMPARE(requete->requete.url(), QUrl(u"https://t.test/api/partages"_s));
    }
};

VALTO_INSCRIRE_TESTS(TestTransferAPI)
#include "TestTransferAPI.moc"
