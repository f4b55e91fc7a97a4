#include "ExecuterTests.h"
#include "ServeurLocal.h"
#include "api/TransferAPI.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Operation { creer, lister, partages, modifier, supprimer };

const QByteArray enregistrement =
    R"({"token":"abc123defg","titre":"Photos","url":"https://t.test/abc123defg",)"
    R"("protege":false,"cree_le":"2026-12-04T09:30:00Z","expire_le":null,)"
    R"("nb_telechargements":0,"nb_fichiers":1,"octets":9007199254740993})";

struct Route {
    QByteArray methode;
    QByteArray chemin;
    int succes;
};

Route route(Operation operation)
{
    switch (operation) {
    case Operation::creer:
        return {"POST", "/api/transferts", 201};
    case Operation::lister:
        return {"GET", "/api/transferts", 200};
    case Operation::partages:
        return {"GET", "/api/partages", 200};
    case Operation::modifier:
        return {"PATCH", "/api/transferts/abc123defg", 200};
    case Operation::supprimer:
        return {"DELETE", "/api/transferts/abc123defg", 200};
    }
    return {};
}

// A body each operation decodes successfully.
QByteArray corpsValide(Operation operation)
{
    switch (operation) {
    case Operation::creer:
    case Operation::modifier:
        return enregistrement;
    case Operation::lister:
        return R"({"transferts":[)" + enregistrement + "]}";
    case Operation::partages:
        return R"({"partages":["DATA"]})";
    case Operation::supprimer:
        return {};
    }
    return {};
}

CorpsCreation corpsCreation()
{
    return CorpsCreation{.token = u"abc123defg"_s,
                         .titre = u"Été \"final\" \\ 1/2\n"_s,
                         .expediteur = u"Camille"_s,
                         .expireJours = 7,
                         .motDePasse = u"s3cret"_s,
                         .fichiers = {u"DATA/Clients/a.jpg"_s, u"b.pdf"_s},
                         .type = u"transfert"_s,
                         .ordre = std::nullopt};
}

// The error of one operation, or nothing when it succeeded.
std::optional<ErreurAPI> executer(Operation operation, const TransferAPI& api)
{
    const auto erreur = [](const auto& resultat) -> std::optional<ErreurAPI> {
        return resultat ? std::nullopt : std::optional<ErreurAPI>(resultat.error());
    };
    switch (operation) {
    case Operation::creer:
        return erreur(QCoro::waitFor(api.creerTransfert(corpsCreation())));
    case Operation::lister:
        return erreur(QCoro::waitFor(api.listerTransferts()));
    case Operation::partages:
        return erreur(QCoro::waitFor(api.listerPartages()));
    case Operation::modifier:
        return erreur(QCoro::waitFor(api.modifierTransfert(u"abc123defg"_s, {u"Nouveau"_s, 0})));
    case Operation::supprimer:
        return erreur(QCoro::waitFor(api.supprimerTransfert(u"abc123defg"_s)));
    }
    return std::nullopt;
}

void ajouterLignesParOperation(const char* cas, const std::function<void(QTestData&, Operation)>& remplir)
{
    const QList<QPair<const char*, Operation>> operations = {{"creer", Operation::creer},
                                                             {"lister", Operation::lister},
                                                             {"partages", Operation::partages},
                                                             {"modifier", Operation::modifier},
                                                             {"supprimer", Operation::supprimer}};
    for (const auto& [nom, operation] : operations) {
        remplir(QTest::addRow("%s : %s", nom, cas), operation);
    }
}

QString texteParseur(const QByteArray& corps)
{
    QJsonParseError erreur;
    QJsonDocument::fromJson(corps, &erreur);
    return erreur.errorString();
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(TransferAPIErreur)
Q_DECLARE_METATYPE(ReponseScriptee)

class TestTransferAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void descriptions_data()
    {
        QTest::addColumn<TransferAPIErreur>("erreur");
        QTest::addColumn<QString>("texte");
        QTest::newRow("avec message") << TransferAPIErreur::http(404, u"Transfert introuvable."_s)
                                      << u"Serveur : erreur 404. Transfert introuvable."_s;
        QTest::newRow("message vide") << TransferAPIErreur::http(409, {}) << u"Serveur : erreur 409. "_s;
        QTest::newRow("message à motifs")
            << TransferAPIErreur::http(500, u"%1 %2"_s) << u"Serveur : erreur 500. %1 %2"_s;
        QTest::newRow("configuration") << TransferAPIErreur::configurationManquante()
                                       << u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s;
    }
    void descriptions()
    {
        QFETCH(TransferAPIErreur, erreur);
        QFETCH(QString, texte);
        QCOMPARE(erreur.description(), texte);
        QCOMPARE(description(ErreurAPI(erreur)), texte);
    }

    // What goes on the wire: method, path, both headers on every request, and the body to the byte.
    void requetesExactes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("corps");
        QTest::newRow("creer") << Operation::creer
                               << QByteArray(
                                      "{\"token\":\"abc123defg\",\"titre\":\"Été \\\"final\\\" \\\\ 1/2\\n\","
                                      R"("expediteur":"Camille","expire_jours":7,"mot_de_passe":"s3cret",)"
                                      R"("fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"transfert"})");
        QTest::newRow("lister") << Operation::lister << QByteArray();
        QTest::newRow("partages") << Operation::partages << QByteArray();
        QTest::newRow("modifier") << Operation::modifier
                                  << QByteArray(R"({"titre":"Nouveau","expire_jours":0})");
        QTest::newRow("supprimer") << Operation::supprimer << QByteArray();
    }
    void requetesExactes()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, corps);
        ServeurLocal serveur;
        const Route r = route(operation);
        serveur.repondre(r.methode, r.chemin, ReponseScriptee::json(r.succes, corpsValide(operation)));
        const std::optional<ErreurAPI> erreur =
            executer(operation, TransferAPI{serveur.origine(), u"clé-1"_s});
        QVERIFY2(!erreur, erreur ? qPrintable(description(*erreur)) : "");
        QCOMPARE(serveur.nombreDeRequetes(), 1);
        const RequeteRecue recue = serveur.requetes().first();
        QCOMPARE(recue.methode, r.methode);
        QCOMPARE(recue.chemin, r.chemin);
        QCOMPARE(recue.entete("x-api-key"), u"clé-1"_s.toUtf8());
        QCOMPARE(recue.entete("content-type"), "application/json");
        QCOMPARE(recue.corps, corps);
    }

    void corpsOptionnels_data()
    {
        QTest::addColumn<QByteArray>("obtenu");
        QTest::addColumn<QByteArray>("attendu");
        CorpsCreation comparaison = corpsCreation();
        comparaison.titre = u"Avant/après"_s;
        comparaison.motDePasse.reset();
        comparaison.type = u"compare"_s;
        comparaison.ordre = QStringList{u"avant.jpg"_s, u"après.jpg"_s};
        QTest::newRow("comparaison sans mot de passe")
            << comparaison.versJSON()
            << QByteArray(
                   R"({"token":"abc123defg","titre":"Avant/après","expediteur":"Camille","expire_jours":7,)"
                   R"("fichiers":["DATA/Clients/a.jpg","b.pdf"],"type":"compare",)"
                   R"("ordre":["avant.jpg","après.jpg"]})");
        CorpsCreation controle = corpsCreation();
        controle.titre = u"a\u0001b\tc\u2028"_s;
        controle.fichiers.clear();
        controle.motDePasse.reset();
        controle.expireJours = 0;
        QTest::newRow("caractères de contrôle, liste vide")
            << controle.versJSON()
            << QByteArray("{\"token\":\"abc123defg\",\"titre\":\"a\\u0001b\\tc"
                          "\u2028"
                          "\",\"expediteur\":\"Camille\",\"expire_jours\":0,\"fichiers\":[],\"type\":"
                          "\"transfert\"}");
        QTest::newRow("modification vide") << CorpsModification{}.versJSON() << QByteArray("{}");
    }
    void corpsOptionnels()
    {
        QFETCH(QByteArray, obtenu);
        QFETCH(QByteArray, attendu);
        QCOMPARE(obtenu, attendu);
        QJsonParseError erreur;
        QJsonDocument::fromJson(obtenu, &erreur);
        QCOMPARE(erreur.error, QJsonParseError::NoError);
    }

    void resultatsDecodes()
    {
        ServeurLocal serveur;
        serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, enregistrement));
        serveur.repondre("GET", "/api/transferts",
                         ReponseScriptee::json(200, corpsValide(Operation::lister)));
        serveur.repondre("GET", "/api/partages",
                         ReponseScriptee::json(200, R"({"partages":["DATA","Clients é"]})"));
        serveur.repondre("DELETE", "/api/transferts/x",
                         ReponseScriptee::json(200, "<html>pas du JSON</html>"));
        const TransferAPI api{serveur.origine(), u"k"_s};

        const ResultatAPI<TransfertAPI> cree = QCoro::waitFor(api.creerTransfert(corpsCreation()));
        QVERIFY(cree.has_value());
        QCOMPARE(cree->url, u"https://t.test/abc123defg"_s);
        QCOMPARE(cree->octets, Q_INT64_C(9007199254740993));
        QCOMPARE(cree->expireLe, std::nullopt);
        const ResultatAPI<QList<TransfertAPI>> liste = QCoro::waitFor(api.listerTransferts());
        QVERIFY(liste.has_value());
        QCOMPARE(liste->size(), 1);
        QCOMPARE(liste->first(), *cree);
        QCOMPARE(QCoro::waitFor(api.listerPartages()),
                 ResultatAPI<QStringList>(QStringList{u"DATA"_s, u"Clients é"_s}));
        QVERIFY(QCoro::waitFor(api.supprimerTransfert(u"x"_s)).has_value());
    }

    // Every row of the failure table, for every operation.
    void echecs_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<QString>("texte");
        const auto statut = [](int code, const QByteArray& corps, const QString& texte) {
            return
                [=](QTestData& ligne, Operation operation) { ligne << operation << code << corps << texte; };
        };
        ajouterLignesParOperation("detail texte", statut(404, R"({"detail":"Transfert introuvable."})",
                                                         u"Serveur : erreur 404. Transfert introuvable."_s));
        ajouterLignesParOperation("detail UTF-8", statut(400, R"({"detail":"Titre « vide » refusé"})",
                                                         u"Serveur : erreur 400. Titre « vide » refusé"_s));
        ajouterLignesParOperation("page HTML",
                                  statut(500, "<html><body>Oups</body></html>", u"Serveur : erreur 500. "_s));
        ajouterLignesParOperation("corps vide", statut(409, "", u"Serveur : erreur 409. "_s));
        ajouterLignesParOperation("detail liste", statut(422, R"({"detail":[{"msg":"champ requis"}]})",
                                                         u"Serveur : erreur 422. "_s));
        ajouterLignesParOperation("detail nul",
                                  statut(401, R"({"detail":null})", u"Serveur : erreur 401. "_s));
        ajouterLignesParOperation("sans detail",
                                  statut(403, R"({"erreur":"non"})", u"Serveur : erreur 403. "_s));
        ajouterLignesParOperation("tableau", statut(503, R"(["detail"])", u"Serveur : erreur 503. "_s));
        ajouterLignesParOperation("204", statut(204, "", u"Serveur : erreur 204. "_s));
        QTest::newRow("creer : 200 au lieu de 201")
            << Operation::creer << 200 << enregistrement << u"Serveur : erreur 200. "_s;
        QTest::newRow("lister : 201 au lieu de 200")
            << Operation::lister << 201 << corpsValide(Operation::lister) << u"Serveur : erreur 201. "_s;
        QTest::newRow("supprimer : 202")
            << Operation::supprimer << 202 << QByteArray() << u"Serveur : erreur 202. "_s;
    }
    void echecs()
    {
        QFETCH(Operation, operation);
        QFETCH(int, statut);
        QFETCH(QByteArray, corps);
        QFETCH(QString, texte);
        ServeurLocal serveur;
        const Route r = route(operation);
        serveur.repondre(r.methode, r.chemin, ReponseScriptee::json(statut, corps));
        const std::optional<ErreurAPI> erreur = executer(operation, TransferAPI{serveur.origine(), u"k"_s});
        QVERIFY(erreur.has_value());
        QVERIFY(std::holds_alternative<TransferAPIErreur>(*erreur));
        QCOMPARE(description(*erreur), texte);
    }

    void configurationManquante_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("baseURL");
        QTest::addColumn<QString>("cle");
        const auto ligne = [](const QString& base, const QString& cle) {
            return [=](QTestData& l, Operation operation) { l << operation << base << cle; };
        };
        ajouterLignesParOperation("clé vide", ligne(u"{serveur}"_s, QString()));
        ajouterLignesParOperation("clé vide, adresse vide", ligne(QString(), QString()));
        // A line break would smuggle a header of its own into the request.
        ajouterLignesParOperation("clé sur deux lignes", ligne(u"{serveur}"_s, u"k\r\nX-Autre: 1"_s));
        ajouterLignesParOperation("adresse avec espace", ligne(u"http://127.0.0.1:1/a b"_s, u"k"_s));
        ajouterLignesParOperation("adresse mal encodée", ligne(u"http://127.0.0.1:1/%zz"_s, u"k"_s));
        ajouterLignesParOperation("tabulation en tête", ligne(u"\t{serveur}"_s, u"k"_s));
    }
    void configurationManquante()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, baseURL);
        QFETCH(QString, cle);
        ServeurLocal serveur;
        const Route r = route(operation);
        serveur.repondre(r.methode, r.chemin, ReponseScriptee::json(r.succes, corpsValide(operation)));
        const TransferAPI api{baseURL.replace(u"{serveur}"_s, serveur.origine()), cle};
        QCOMPARE(executer(operation, api),
                 std::optional<ErreurAPI>(TransferAPIErreur::configurationManquante()));
        QCOMPARE(serveur.nombreDeRequetes(), 0);
    }

    // Failures below HTTP keep the platform's text and never hang the caller.
    void echecsTransport_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<ReponseScriptee>("reponse");
        ReponseScriptee coupee;
        coupee.forme = ReponseScriptee::Forme::coupee;
        ReponseScriptee tronquee;
        tronquee.entetes = {{"Content-Length", "500"}};
        tronquee.corps = "{\"transferts\":[";
        tronquee.forme = ReponseScriptee::Forme::sansLongueur;
        ajouterLignesParOperation("raccroche", [=](QTestData& l, Operation o) { l << o << coupee; });
        ajouterLignesParOperation("corps plus court qu'annoncé",
                                  [=](QTestData& l, Operation o) { l << o << tronquee; });
    }
    void echecsTransport()
    {
        QFETCH(Operation, operation);
        QFETCH(ReponseScriptee, reponse);
        ServeurLocal serveur;
        const Route r = route(operation);
        reponse.statut = r.succes;
        serveur.repondre(r.methode, r.chemin, reponse);
        const std::optional<ErreurAPI> erreur = executer(operation, TransferAPI{serveur.origine(), u"k"_s});
        QVERIFY(erreur.has_value());
        QVERIFY2(std::holds_alternative<ErreurSysteme>(*erreur), qPrintable(description(*erreur)));
        QVERIFY(!description(*erreur).isEmpty());
    }

    void serveurInjoignable()
    {
        quint16 port = 0;
        {
            ServeurLocal ferme;
            port = ferme.port();
        }
        const std::optional<ErreurAPI> refus =
            executer(Operation::lister, TransferAPI{u"http://127.0.0.1:%1"_s.arg(port), u"k"_s});
        QVERIFY(refus && std::holds_alternative<ErreurSysteme>(*refus));
        QCOMPARE(description(*refus), u"Connection refused"_s);
        // An empty base URL leaves only the path: it parses, is sent, and fails below HTTP.
        const std::optional<ErreurAPI> vide = executer(Operation::partages, TransferAPI{QString(), u"k"_s});
        QVERIFY(vide && std::holds_alternative<ErreurSysteme>(*vide));
    }

    // An answer that is not HTTP at all counts as status 0.
    void reponseNonHTTP()
    {
        const std::optional<ErreurAPI> erreur =
            executer(Operation::partages, TransferAPI{u"data:application/json,"_s, u"k"_s});
        QCOMPARE(erreur, std::optional<ErreurAPI>(TransferAPIErreur::http(0, {})));
        QCOMPARE(description(*erreur), u"Serveur : erreur 0. "_s);
    }

    void sansContentLength()
    {
        ServeurLocal serveur;
        ReponseScriptee reponse = ReponseScriptee::json(200, R"({"partages":["DATA","MEDIA"]})");
        reponse.forme = ReponseScriptee::Forme::sansLongueur;
        serveur.repondre("GET", "/api/partages", reponse);
        const auto partages = QCoro::waitFor(TransferAPI{serveur.origine(), u"k"_s}.listerPartages());
        QCOMPARE(partages, ResultatAPI<QStringList>(QStringList{u"DATA"_s, u"MEDIA"_s}));
    }

    void delaiDeTransfert()
    {
        const auto requete = TransferAPI{u"https://t.test"_s, u"k"_s}.requete(u"/api/partages"_s, "GET");
        QVERIFY(requete.has_value());
        QCOMPARE(requete->requete.transferTimeout(), 30000);
        QCOMPARE(requete->requete.url(), QUrl(u"https://t.test/api/partages"_s));
    }

    // The client may be a temporary that is gone long before the answer arrives.
    void clientTemporaire()
    {
        ServeurLocal serveur;
        ReponseScriptee lente = ReponseScriptee::json(200, R"({"partages":["DATA"]})");
        lente.delaiMs = 50;
        serveur.repondre("GET", "/api/partages", lente);
        auto tache = [&] {
            QString origine = serveur.origine();
            return TransferAPI{std::move(origine), u"k"_s}.listerPartages();
        }();
        QCOMPARE(QCoro::waitFor(std::move(tache)), ResultatAPI<QStringList>(QStringList{u"DATA"_s}));
    }

    // Whatever the server sends with a success status, the caller gets a value or a clear error.
    void reponsesHostiles_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<QString>("texte");
        const QString illisible =
            u"Réponse du serveur illisible : la valeur « %1 » est absente ou invalide."_s;
        // Empty: the JSON parser's own text for that body.
        const QString parseur;
        const QList<std::tuple<const char*, Operation, QByteArray, QString>> lignes = {
            {"JSON tronqué", Operation::lister, R"({"transferts":[{"token":"a")", parseur},
            {"corps vide", Operation::creer, "", parseur},
            {"UTF-8 invalide", Operation::partages, "{\"partages\":[\"DA\xff\xfeTA\"]}", parseur},
            {"imbrication profonde", Operation::lister, QByteArray(5000, '[') + QByteArray(5000, ']'),
             parseur},
            {"nombre démesuré", Operation::creer,
             QByteArray(enregistrement).replace("9007199254740993", "1e400"), parseur},
            {"octets au-delà de 64 bits", Operation::modifier,
             QByteArray(enregistrement).replace("9007199254740993", "18446744073709551616"),
             illisible.arg(u"octets"_s)},
            {"token nul", Operation::creer, QByteArray(enregistrement).replace("\"abc123defg\"", "null"),
             illisible.arg(u"token"_s)},
            {"transfert tableau", Operation::creer, "[]",
             u"Réponse du serveur illisible : un transfert n'est pas un objet JSON."_s},
            {"transferts absent", Operation::lister, R"({"transfert":[]})", illisible.arg(u"transferts"_s)},
            {"transferts nul", Operation::lister, R"({"transferts":null})", illisible.arg(u"transferts"_s)},
            {"liste au premier niveau", Operation::lister, "[" + enregistrement + "]",
             illisible.arg(u"transferts"_s)},
            {"élément de liste invalide", Operation::lister, R"({"transferts":[)" + enregistrement + ",{}]}",
             illisible.arg(u"token"_s)},
            {"partage nombre", Operation::partages, R"({"partages":["DATA",3]})",
             illisible.arg(u"partages"_s)},
            {"partage nul", Operation::partages, R"({"partages":[null]})", illisible.arg(u"partages"_s)},
            {"partages texte", Operation::partages, R"({"partages":"DATA"})", illisible.arg(u"partages"_s)},
        };
        for (const auto& [nom, operation, corps, texte] : lignes) {
            QTest::newRow(nom) << operation << corps << texte;
        }
    }
    void reponsesHostiles()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, corps);
        QFETCH(QString, texte);
        if (texte.isEmpty()) {
            texte = texteParseur(corps);
        }
        ServeurLocal serveur;
        const Route r = route(operation);
        serveur.repondre(r.methode, r.chemin, ReponseScriptee::json(r.succes, corps));
        const std::optional<ErreurAPI> erreur = executer(operation, TransferAPI{serveur.origine(), u"k"_s});
        QVERIFY(erreur.has_value());
        QVERIFY(std::holds_alternative<ErreurSysteme>(*erreur));
        QVERIFY(!texte.isEmpty());
        QCOMPARE(description(*erreur), texte);
    }
};

VALTO_INSCRIRE_TESTS(TestTransferAPI)
#include "TestTransferAPI.moc"
