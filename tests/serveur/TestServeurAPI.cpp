#include "support/ExecuterTests.h"
#include "ServeurDeTest.h"
#include "core/DateISO.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CorpsCreation)
Q_DECLARE_METATYPE(CorpsModification)

namespace {

constexpr qint64 jour = 86400;

std::optional<ErreurAPI> erreurDe(const auto& resultat)
{
    return resultat ? std::nullopt : std::optional<ErreurAPI>(resultat.error());
}

QDateTime date(const std::optional<QString>& texte)
{
    return texte ? lireDateISO(*texte).value_or(QDateTime()) : QDateTime();
}

} // namespace

// The application's own client against valto-serveur, and the requests a hostile client could send.
class TestServeurAPI final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_serveur = std::make_unique<ServeurDeTest>(); }
    void cleanup() { m_serveur.reset(); }

    void cycleComplet()
    {
        ServeurDeTest& s = *m_serveur;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        // Sparse, past 4 GiB: sizes must travel as 64-bit integers.
        QFile grand(s.creerSurNAS(u"DATA/Valto Transferts/tok0000001/grand.bin"_s, {}));
        QVERIFY(grand.resize(5'000'000'000));
        CorpsCreation corps = corpsDe(u"tok0000001"_s, {u"DATA/Clients/a.txt"_s});
        corps.motDePasse = u"s3cret"_s;

        const TransfertAPI cree = s.creer(corps);
        QCOMPARE(cree.token, u"tok0000001"_s);
        QCOMPARE(cree.url, s.origine() + u"/t/tok0000001"_s);
        QVERIFY(cree.protege);
        QCOMPARE(cree.nbFichiers, 2);
        QCOMPARE(cree.octets, 5'000'000'007);
        QCOMPARE(cree.type, u"transfert"_s);
        QCOMPARE(date(cree.expireLe), date(cree.creeLe).addSecs(7 * jour));
        // A retried creation (the first answer was lost) gets the same record.
        QCOMPARE(s.creer(corps), cree);
        QCOMPARE(QCoro::waitFor(s.api().listerTransferts()).value(), QList<TransfertAPI>{cree});

        s.avancer(jour);
        const auto change = QCoro::waitFor(s.api().modifierTransfert(u"tok0000001"_s, {u"Nouveau"_s, 30}));
        QCOMPARE(change->titre, u"Nouveau"_s);
        QCOMPARE(date(change->expireLe), date(cree.creeLe).addSecs(31 * jour));
        const auto jamais = QCoro::waitFor(s.api().modifierTransfert(u"tok0000001"_s, {std::nullopt, 0}));
        QCOMPARE(jamais->titre, u"Nouveau"_s);
        QCOMPARE(jamais->expireLe, std::nullopt);

        QCOMPARE(QCoro::waitFor(s.api().listerPartages()).value(), (QStringList{u"ARCHIVE"_s, u"DATA"_s}));
        QVERIFY(QCoro::waitFor(s.api().supprimerTransfert(u"tok0000001"_s)).has_value());
        QVERIFY(!QDir(s.nas(u"DATA/Valto Transferts/tok0000001"_s)).exists());
        QVERIFY(QFile::exists(s.nas(u"DATA/Clients/a.txt"_s)));
        QVERIFY(QCoro::waitFor(s.api().listerTransferts())->isEmpty());
    }

    void formeDesReponses()
    {
        ServeurDeTest& s = *m_serveur;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creer(corpsDe(u"tok0000001"_s, {u"DATA/Clients/a.txt"_s}));
        CorpsCreation sansExpiration = corpsDe(u"tok0000002"_s, {u"DATA/Clients/a.txt"_s});
        sansExpiration.expireJours = 0;
        s.creer(sansExpiration);
        s.envoyer("GET", u"/t/tok0000001"_s, {{"User-Agent", "Mozilla/5.0 Firefox/128.0"}});
        s.envoyer("GET", u"/t/tok0000001/f/a.txt"_s);

        const ReponseHTTP liste = s.appelerAPI("GET", u"/api/transferts"_s);
        QCOMPARE(liste.statut, 200);
        QVERIFY(liste.entetes.value("content-type").startsWith("application/json"));
        const QJsonArray transferts =
            QJsonDocument::fromJson(liste.corps).object().value(u"transferts"_s).toArray();
        QCOMPARE(transferts.size(), 2);
        const QRegularExpression dateInternet(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"_s);
        const QStringList chaines{u"token"_s, u"titre"_s, u"url"_s, u"cree_le"_s, u"type"_s};
        const QStringList entiers{u"nb_telechargements"_s, u"nb_vues"_s, u"nb_fichiers"_s, u"octets"_s};
        const QStringList dates{u"cree_le"_s, u"expire_le"_s, u"dernier_telechargement"_s, u"premiere_vue"_s,
                                u"derniere_vue"_s};
        for (const QJsonValue& valeur : transferts) {
            const QJsonObject t = valeur.toObject();
            for (const QString& cle : chaines) {
                QVERIFY2(t.value(cle).isString(), qPrintable(cle));
            }
            for (const QString& cle : entiers) {
                QVERIFY2(t.value(cle).isDouble(), qPrintable(cle));
            }
            QVERIFY(t.value(u"protege"_s).isBool());
            for (const QString& cle : dates) {
                QVERIFY2(!t.contains(cle) || dateInternet.match(t.value(cle).toString()).hasMatch(),
                         qPrintable(cle));
            }
            // Optional values are left out, never sent as null.
            for (const QJsonValue& champ : t) {
                QVERIFY(!champ.isNull());
            }
        }
        const QJsonObject vu = transferts.at(1).toObject();
        QCOMPARE(vu.value(u"token"_s).toString(), u"tok0000001"_s);
        QVERIFY(vu.contains(u"premiere_vue"_s) && vu.contains(u"dernier_telechargement"_s));
        QVERIFY(!transferts.at(0).toObject().contains(u"expire_le"_s));
    }

    void echecs_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<CorpsCreation>("creation");
        QTest::addColumn<CorpsModification>("modification");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QString>("detail");

        const QString tokenUtilise = u"tokexiste1"_s;
        const QStringList a{u"DATA/Clients/a.txt"_s};
        const auto creation = [&](auto modifier) {
            CorpsCreation corps = corpsDe(u"nouveau001"_s, a);
            modifier(corps);
            return corps;
        };
        const QString expiration = u"« expire_jours » doit être un entier de 0 à 3650."_s;
        const QString ordre = u"« ordre » doit nommer les deux fichiers de la comparaison."_s;
        QTest::newRow("modifier un inconnu")
            << u"modifier"_s << CorpsCreation{} << CorpsModification{u"T"_s, {}} << 404
            << u"Transfert introuvable."_s;
        QTest::newRow("supprimer un inconnu")
            << u"supprimer"_s << CorpsCreation{} << CorpsModification{} << 404 << u"Transfert introuvable."_s;
        QTest::newRow("modifier avec un titre blanc")
            << u"modifier existant"_s << CorpsCreation{} << CorpsModification{u"  "_s, {}} << 400
            << u"Le titre ne peut pas être vide."_s;
        QTest::newRow("modifier au-delà de 3650 jours")
            << u"modifier existant"_s << CorpsCreation{} << CorpsModification{{}, 3651} << 400 << expiration;
        QTest::newRow("token pris, autre corps")
            << u"creer"_s << creation([&](CorpsCreation& c) { c.token = tokenUtilise, c.titre = u"Autre"_s; })
            << CorpsModification{} << 409 << u"Ce token est déjà utilisé par un autre transfert."_s;
        QTest::newRow("titre blanc") << u"creer"_s << creation([](CorpsCreation& c) { c.titre = u" \t"_s; })
                                     << CorpsModification{} << 400 << u"Le titre ne peut pas être vide."_s;
        QTest::newRow("3651 jours") << u"creer"_s << creation([](CorpsCreation& c) { c.expireJours = 3651; })
                                    << CorpsModification{} << 400 << expiration;
        QTest::newRow("jours négatifs")
            << u"creer"_s << creation([](CorpsCreation& c) { c.expireJours = -1; }) << CorpsModification{}
            << 400 << expiration;
        QTest::newRow("type inconnu")
            << u"creer"_s << creation([](CorpsCreation& c) { c.type = u"autre"_s; }) << CorpsModification{}
            << 400 << u"« type » doit valoir « transfert » ou « compare »."_s;
        QTest::newRow("ordre hors comparaison") << u"creer"_s << creation([](CorpsCreation& c) {
            c.ordre = QStringList{u"a.txt"_s, u"b.txt"_s};
        }) << CorpsModification{} << 400 << u"« ordre » n'est permis que pour une comparaison."_s;
        QTest::newRow("comparaison sans ordre")
            << u"creer"_s << creation([](CorpsCreation& c) { c.type = u"compare"_s; }) << CorpsModification{}
            << 400 << ordre;
        QTest::newRow("comparaison d'un seul fichier") << u"creer"_s << creation([](CorpsCreation& c) {
            c.type = u"compare"_s, c.ordre = QStringList{u"a.txt"_s, u"b.txt"_s};
        }) << CorpsModification{} << 400 << ordre;
        QTest::newRow("ordre d'autres fichiers") << u"creer"_s << creation([](CorpsCreation& c) {
            c.type = u"compare"_s, c.fichiers = {u"DATA/Clients/avant.jpg"_s, u"DATA/Clients/apres.jpg"_s};
            c.ordre = QStringList{u"avant.jpg"_s, u"autre.jpg"_s};
        }) << CorpsModification{} << 400 << ordre;
        QTest::newRow("ni fichiers ni dossier de copies")
            << u"creer"_s << creation([](CorpsCreation& c) { c.fichiers.clear(); }) << CorpsModification{}
            << 400 << u"Aucun fichier : ni « fichiers » ni dossier de copies pour ce token."_s;
        QTest::newRow("fichier absent")
            << u"creer"_s << creation([](CorpsCreation& c) { c.fichiers = {u"DATA/absent.txt"_s}; })
            << CorpsModification{} << 400 << u"Fichier introuvable sur le NAS : DATA/absent.txt"_s;
        QTest::newRow("clé fausse") << u"lister avec une clé fausse"_s << CorpsCreation{}
                                    << CorpsModification{} << 401 << u"Clé API invalide ou absente."_s;
    }

    void echecs()
    {
        QFETCH(QString, operation);
        QFETCH(CorpsCreation, creation);
        QFETCH(CorpsModification, modification);
        QFETCH(int, statut);
        QFETCH(QString, detail);
        ServeurDeTest& s = *m_serveur;
        for (const QString& nom : {u"a.txt"_s, u"avant.jpg"_s, u"apres.jpg"_s}) {
            s.creerSurNAS(u"DATA/Clients/"_s + nom, "x");
        }
        s.creer(corpsDe(u"tokexiste1"_s, {u"DATA/Clients/a.txt"_s}));

        std::optional<ErreurAPI> erreur;
        if (operation == u"creer") {
            erreur = erreurDe(QCoro::waitFor(s.api().creerTransfert(creation)));
        } else if (operation == u"modifier") {
            erreur = erreurDe(QCoro::waitFor(s.api().modifierTransfert(u"inconnu000"_s, modification)));
        } else if (operation == u"modifier existant") {
            erreur = erreurDe(QCoro::waitFor(s.api().modifierTransfert(u"tokexiste1"_s, modification)));
        } else if (operation == u"supprimer") {
            erreur = erreurDe(QCoro::waitFor(s.api().supprimerTransfert(u"inconnu000"_s)));
        } else {
            erreur = erreurDe(QCoro::waitFor(TransferAPI{s.origine(), s.cle() + u"x"_s}.listerTransferts()));
        }
        QCOMPARE(erreur, std::optional<ErreurAPI>(TransferAPIErreur::http(statut, detail)));
        // A refused request changes nothing.
        const auto transferts = QCoro::waitFor(s.api().listerTransferts());
        QCOMPARE(transferts->size(), 1);
        QCOMPARE(transferts->first().titre, u"Photos"_s);
    }

    void securite_data()
    {
        QTest::addColumn<QByteArray>("methode");
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QByteArray>("cle");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<int>("statut");

        const auto creation = [](const QString& token, const QStringList& fichiers) {
            return corpsDe(token, fichiers).versJSON();
        };
        const auto fichiers = [&](const QString& entree) { return creation(u"nouveau001"_s, {entree}); };
        const QString api = u"/api/transferts"_s;
        QTest::newRow("clé absente") << QByteArray("GET") << api << QByteArray("absente") << QByteArray()
                                     << 401;
        QTest::newRow("clé fausse, même longueur")
            << QByteArray("GET") << api << QByteArray("fausse") << QByteArray() << 401;
        QTest::newRow("début de la clé")
            << QByteArray("GET") << api << QByteArray("prefixe") << QByteArray() << 401;
        QTest::newRow("suppression sans clé")
            << QByteArray("DELETE") << api + u"/supprime01"_s << QByteArray("absente") << QByteArray() << 401;
        QTest::newRow("../") << QByteArray("POST") << api << QByteArray("bonne")
                             << fichiers(u"DATA/../../dehors/secret.txt"_s) << 400;
        QTest::newRow("chemin absolu")
            << QByteArray("POST") << api << QByteArray("bonne") << fichiers(u"@DEHORS@/secret.txt"_s) << 400;
        QTest::newRow("lien hors du NAS")
            << QByteArray("POST") << api << QByteArray("bonne") << fichiers(u"DATA/fuite"_s) << 400;
        QTest::newRow("dossier lié hors du NAS") << QByteArray("POST") << api << QByteArray("bonne")
                                                 << fichiers(u"DATA/Liens/dehors/secret.txt"_s) << 400;
        QTest::newRow("octet nul") << QByteArray("POST") << api << QByteArray("bonne")
                                   << fichiers(u"DATA/Clients/a.txt\u0000/../../../dehors/secret.txt"_s)
                                   << 400;
        QTest::newRow("%2e%2e") << QByteArray("POST") << api << QByteArray("bonne")
                                << fichiers(u"DATA/%2e%2e/%2e%2e/dehors/secret.txt"_s) << 400;
        QTest::newRow("racine du NAS")
            << QByteArray("POST") << api << QByteArray("bonne") << fichiers(u"."_s) << 400;
        QTest::newRow("fichier de la clé") << QByteArray("POST") << api << QByteArray("bonne")
                                           << fichiers(u"DATA/Valto Transferts/.transfer-api-key"_s) << 400;
        QTest::newRow("token en majuscules") << QByteArray("POST") << api << QByteArray("bonne")
                                             << creation(u"NOUVEAU001"_s, {u"DATA/Clients/a.txt"_s}) << 400;
        QTest::newRow("token de 9 caractères") << QByteArray("POST") << api << QByteArray("bonne")
                                               << creation(u"nouveau01"_s, {u"DATA/Clients/a.txt"_s}) << 400;
        QTest::newRow("token de 11 caractères")
            << QByteArray("POST") << api << QByteArray("bonne")
            << creation(u"nouveau0001"_s, {u"DATA/Clients/a.txt"_s}) << 400;
        QTest::newRow("token qui remonte")
            << QByteArray("POST") << api << QByteArray("bonne") << creation(u"../dehors1"_s, {}) << 400;
        QTest::newRow("corps trop gros")
            << QByteArray("POST") << api << QByteArray("bonne") << QByteArray(2 * 1024 * 1024, ' ') << 413;
        QTest::newRow("JSON tronqué")
            << QByteArray("POST") << api << QByteArray("bonne") << QByteArray("{\"tok") << 400;
        QTest::newRow("suppression qui remonte") << QByteArray("DELETE") << api + u"/..%2F..%2Fdehors"_s
                                                 << QByteArray("bonne") << QByteArray() << 404;
        QTest::newRow("mauvais mot de passe") << QByteArray("POST") << u"/t/protege001"_s << QByteArray()
                                              << QByteArray("mot_de_passe=faux") << 401;
        QTest::newRow("archive protégée sans cookie")
            << QByteArray("GET") << u"/t/protege001/zip"_s << QByteArray() << QByteArray() << 401;
        QTest::newRow("téléchargement expiré")
            << QByteArray("GET") << u"/t/expire0001/f/a.txt"_s << QByteArray() << QByteArray() << 410;
        QTest::newRow("fichier hors du transfert")
            << QByteArray("GET") << u"/t/supprime01/f/..%2F..%2Fa.txt"_s << QByteArray() << QByteArray()
            << 404;
        QTest::newRow("dossier du token remplacé par un lien")
            << QByteArray("DELETE") << api + u"/lienaaaaaa"_s << QByteArray("bonne") << QByteArray() << 200;
        QTest::newRow("suppression avec des liens")
            << QByteArray("DELETE") << api + u"/supprime01"_s << QByteArray("bonne") << QByteArray() << 200;
    }

    void securite()
    {
        QFETCH(QByteArray, methode);
        QFETCH(QString, chemin);
        QFETCH(QByteArray, cle);
        QFETCH(QByteArray, corps);
        QFETCH(int, statut);
        ServeurDeTest& s = *m_serveur;
        const QString dehors = s.environnement().creerDossier(u"dehors"_s);
        const QString secret = s.environnement().creerFichier(u"dehors/secret.txt"_s, "secret");
        const QString a = s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        QVERIFY(QFile::link(secret, s.nas(u"DATA/fuite"_s)));
        QDir().mkpath(s.nas(u"DATA/Liens"_s));
        QVERIFY(QFile::link(dehors, s.nas(u"DATA/Liens/dehors"_s)));
        CorpsCreation protege = corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s});
        protege.motDePasse = u"juste"_s;
        s.creer(protege);
        s.avancer(-2 * 86400);
        CorpsCreation expire = corpsDe(u"expire0001"_s, {u"DATA/Clients/a.txt"_s});
        expire.expireJours = 1;
        s.creer(expire);
        s.avancer(2 * 86400);
        s.creerSurNAS(u"DATA/Valto Transferts/supprime01/copie.txt"_s, "copie");
        QVERIFY(QFile::link(s.nas(u"DATA/Clients"_s), s.nas(u"DATA/Valto Transferts/supprime01/lien"_s)));
        QVERIFY(QFile::link(dehors, s.nas(u"DATA/Valto Transferts/supprime01/dehors"_s)));
        s.creer(corpsDe(u"supprime01"_s, {}));
        // A copies folder swapped for a link after creation: deleting must not follow it.
        s.creer(corpsDe(u"lienaaaaaa"_s, {u"DATA/Clients/a.txt"_s}));
        QVERIFY(QFile::link(s.nas(u"DATA/Clients"_s), s.nas(u"DATA/Valto Transferts/lienaaaaaa"_s)));

        const QMap<QByteArray, QByteArray> cles{
            {"bonne", s.cle().toUtf8()},
            {"fausse", s.cle().toUtf8().chopped(1) + (s.cle().endsWith(u'0') ? "1" : "0")},
            {"prefixe", s.cle().toUtf8().left(8)}};
        Entetes entetes;
        if (cles.contains(cle)) {
            entetes.append(qMakePair(QByteArray("X-Api-Key"), cles.value(cle)));
        }
        entetes.append(
            qMakePair(QByteArray("Content-Type"), chemin.startsWith(u"/api/"_s)
                                                      ? QByteArray("application/json")
                                                      : QByteArray("application/x-www-form-urlencoded")));
        corps.replace("@DEHORS@", dehors.toUtf8());
        const ReponseHTTP reponse = s.envoyer(methode, chemin, entetes, corps);
        QCOMPARE(reponse.statut, statut);
        if (chemin.startsWith(u"/api/"_s) && statut >= 400) {
            QVERIFY(!QJsonDocument::fromJson(reponse.corps).object().value(u"detail"_s).toString().isEmpty());
        }

        // Whatever was refused, the server keeps serving, nothing was registered and nothing outside
        // the deleted transfer's own folder was touched.
        QCOMPARE(s.appelerAPI("GET", u"/api/partages"_s).statut, 200);
        QCOMPARE(QCoro::waitFor(s.api().listerTransferts())->size(), statut == 200 ? 3 : 4);
        QVERIFY(QFile::exists(secret) && QFile::exists(a));
        QCOMPARE(QDir(s.nas(u"DATA/Valto Transferts/supprime01"_s)).exists(),
                 !(statut == 200 && chemin.endsWith(u"supprime01"_s)));
    }

private:
    std::unique_ptr<ServeurDeTest> m_serveur;
};

VALTO_INSCRIRE_TESTS(TestServeurAPI)

#include "TestServeurAPI.moc"
