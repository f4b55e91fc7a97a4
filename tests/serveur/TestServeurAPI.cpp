#include "ServeurDeTest.h"
#include "core/HistoryStore.h"
#include "flow/TransferFlow.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 jour = 86400;

QString dateISO(qint64 secondes)
{
    return QDateTime::fromSecsSinceEpoch(secondes, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

// The application's client and send flow against valto-serveur, and what a hostile client could send.
class TestServeurAPI final : public QObject {
    Q_OBJECT

public:
    explicit TestServeurAPI(Moteur moteur)
        : m_moteur(moteur)
    {
    }

private Q_SLOTS:
    void init() { m_serveur = std::make_unique<ServeurDeTest>(nullptr, m_moteur); }
    void cleanup() { m_serveur.reset(); }

    void cycleComplet()
    {
        ServeurDeTest& s = *m_serveur;
        s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        // Sparse, past 4 GiB: sizes must travel as 64-bit integers.
        QFile grand(s.creerSurNAS(u"DATA/Valto Transferts/tok0000001/grand.bin"_s, {}));
        QVERIFY(grand.resize(5'000'000'000));
        const CorpsCreation corps = corpsDe(u"tok0000001"_s, {u"DATA/Clients/a.txt"_s}, u"s3cret"_s);

        s.creer(corps);
        // On the wire: optional values left out (never null), sizes as 64-bit numbers, dates in UTC.
        const ReponseHTTP liste = s.envoyer("GET", u"/api/transferts"_s, s.entetesAPI());
        const QString attendu =
            uR"({"transferts":[{"token":"tok0000001","titre":"Photos","url":"@/t/tok0000001",
            "protege":true,"cree_le":"#0","expire_le":"#7","nb_telechargements":0,"nb_vues":0,"type":"transfert",
            "nb_fichiers":2,"octets":5000000007}]})"_s.replace(u'@', s.origine())
                .replace(u"#0"_s, dateISO(s.maintenant()))
                .replace(u"#7"_s, dateISO(s.maintenant() + 7 * jour));
        QCOMPARE(QJsonDocument::fromJson(liste.corps).toJson(QJsonDocument::Compact),
                 QJsonDocument::fromJson(attendu.toUtf8()).toJson(QJsonDocument::Compact));

        s.avancer(jour);
        const auto change = QCoro::waitFor(s.api().modifierTransfert(u"tok0000001"_s, {u"Nouveau"_s, 3650}));
        QCOMPARE(change->expireLe, dateISO(s.maintenant() + 3650 * jour));
        const auto jamais = QCoro::waitFor(s.api().modifierTransfert(u"tok0000001"_s, {std::nullopt, 0}));
        QVERIFY(jamais->titre == u"Nouveau"_s && !jamais->expireLe);
        // Shares are the root's visible folders: no hidden one, no file.
        s.creerSurNAS(u".Trashes/notes.txt"_s, "x");
        s.creerSurNAS(u"notes.txt"_s, "x");
        QCOMPARE(QCoro::waitFor(s.api().listerPartages()).value(), (QStringList{u"ARCHIVE"_s, u"DATA"_s}));
    }

    // Requests refused, ordinary or hostile: each says why and changes nothing.
    void refus_data()
    {
        QTest::addColumn<QByteArray>("methode");
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QByteArray>("cle");
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QString>("detail");

        const QString api = u"/api/transferts"_s;
        // No detail: any will do.
        const auto ligne = [](const char* nom, const QByteArray& methode, const QString& chemin,
                              const QByteArray& cle, const QByteArray& corps, int statut,
                              const QString& detail = {}) {
            QTest::newRow(nom) << methode << chemin << cle << corps << statut << detail;
        };
        // The creation of nouveau001 with DATA/Clients/a.txt, as `modifier` changes it.
        const auto creation = [&](const char* nom, int statut, const QString& detail, auto modifier) {
            CorpsCreation corps = corpsDe(u"nouveau001"_s, {u"DATA/Clients/a.txt"_s});
            modifier(corps);
            ligne(nom, "POST", api, "bonne", corps.versJSON(), statut, detail);
        };
        const auto fichier = [&](const char* nom, const QString& token, const QString& chemin,
                                 const QString& detail = {}) {
            ligne(nom, "POST", api, "bonne", corpsDe(token, {chemin}).versJSON(), 400, detail);
        };
        const auto modification = [&](const char* nom, const QString& token, const CorpsModification& m,
                                      int statut, const QString& detail) {
            ligne(nom, "PATCH", api + u"/"_s + token, "bonne", m.versJSON(), statut, detail);
        };
        const QString introuvable = u"Transfert introuvable."_s;
        const QString titre = u"Le titre ne peut pas être vide."_s;
        const QString expiration = u"« expire_jours » doit être un entier de 0 à 3650."_s;
        const QString ordre = u"« ordre » doit nommer les deux fichiers de la comparaison."_s;
        modification("modifier un inconnu", u"inconnu000"_s, {u"T"_s, {}}, 404, introuvable);
        ligne("supprimer un inconnu", "DELETE", api + u"/inconnu000"_s, "bonne", {}, 404, introuvable);
        ligne("supprimer un token invalide", "DELETE", api + u"/inconnu"_s, "bonne", {}, 404, introuvable);
        modification("modifier avec un titre blanc", u"protege001"_s, {u"  "_s, {}}, 400, titre);
        modification("modifier au-delà de 3650 jours", u"protege001"_s, {{}, 3651}, 400, expiration);
        ligne("½ jour", "PATCH", api + u"/protege001"_s, "bonne", "{\"expire_jours\":0.5}", 400, expiration);
        creation("token pris, autre corps", 409, u"Ce token est déjà utilisé par un autre transfert."_s,
                 [](CorpsCreation& c) {
                     c.token = u"protege001"_s, c.titre = u"Autre"_s, c.motDePasse = u"juste"_s;
                 });
        creation("titre blanc", 400, titre, [](CorpsCreation& c) { c.titre = u" \t"_s; });
        creation("jours négatifs", 400, expiration, [](CorpsCreation& c) { c.expireJours = -1; });
        creation("type inconnu", 400, u"« type » doit valoir « transfert » ou « compare »."_s,
                 [](CorpsCreation& c) { c.type = u"autre"_s; });
        creation("ordre hors comparaison", 400, u"« ordre » n'est permis que pour une comparaison."_s,
                 [](CorpsCreation& c) {
                     c.ordre = QStringList{u"a.txt"_s, u"b.txt"_s};
                 });
        creation("comparaison sans ordre", 400, ordre, [](CorpsCreation& c) { c.type = u"compare"_s; });
        creation("comparaison de trois fichiers", 400, ordre, [](CorpsCreation& c) {
            c.type = u"compare"_s, c.ordre = QStringList{u"avant.jpg"_s, u"apres.jpg"_s};
            c.fichiers = {u"DATA/Clients/a.txt"_s, u"DATA/Clients/avant.jpg"_s, u"DATA/Clients/apres.jpg"_s};
        });
        creation("comparaison d'un seul fichier", 400, ordre, [](CorpsCreation& c) {
            c.type = u"compare"_s, c.ordre = QStringList{u"a.txt"_s, u"b.txt"_s};
        });
        creation("ordre d'autres fichiers", 400, ordre, [](CorpsCreation& c) {
            c.type = u"compare"_s, c.ordre = QStringList{u"avant.jpg"_s, u"autre.jpg"_s};
            c.fichiers = {u"DATA/Clients/avant.jpg"_s, u"DATA/Clients/apres.jpg"_s};
        });
        creation("ni fichiers ni dossier de copies", 400,
                 u"Aucun fichier : ni « fichiers » ni dossier de copies pour ce token."_s,
                 [](CorpsCreation& c) { c.fichiers.clear(); });
        creation("remontée restant dans le NAS", 400, u"Chemin refusé dans « fichiers » : DATA/../DATA/a"_s,
                 [](CorpsCreation& c) { c.fichiers = {u"DATA/../DATA/a"_s}; });
        creation("fichier absent", 400, u"Fichier introuvable sur le NAS : DATA/absent.txt"_s,
                 [](CorpsCreation& c) { c.fichiers = {u"DATA/absent.txt"_s}; });
        const QString n = u"nouveau001"_s;
        ligne("clé absente", "GET", api, "absente", {}, 401);
        ligne("clé fausse, même longueur", "GET", api, "fausse", {}, 401);
        fichier("chemin absolu dans le NAS", n, u"@NAS@DATA/Clients/a.txt"_s);
        fichier("lien hors du NAS", n, u"DATA/fuite"_s);
        fichier("octet nul", n, u"DATA/Clients/a.txt\u0000.pdf"_s);
        fichier("lien vers la racine du NAS", n, u"DATA/racine"_s);
        const QString cle = u"DATA/Valto Transferts/.transfer-api-key"_s;
        fichier("fichier de la clé", n, cle, u"Dossier des copies refusé dans « fichiers » : "_s + cle);
        fichier("dossier caché", n, u"DATA/.cache/a.txt"_s);
        fichier("fichier à la racine du NAS", n, u"racine.txt"_s);
        fichier("token de 9 caractères", u"nouveau01"_s, u"DATA/Clients/a.txt"_s);
        fichier("token de 11 caractères", u"nouveau0001"_s, u"DATA/Clients/a.txt"_s);
        fichier("token qui remonte", u"../dehors1"_s, u"DATA/Clients/a.txt"_s);
        ligne("corps trop gros", "POST", api, "bonne", QByteArray(2 * 1024 * 1024, ' '), 413);
        ligne("JSON tronqué", "POST", api, "bonne", "{\"tok", 400, u"Le corps doit être un objet JSON."_s);
        ligne("modification tronquée", "PATCH", api + u"/protege001"_s, "bonne", "{\"ti", 400,
              u"Le corps doit être un objet JSON."_s);
        for (const char* champ : {"expediteur", "mot_de_passe", "fichiers"}) {
            QJsonObject corps = QJsonDocument::fromJson(corpsDe(n, {}, u"x"_s).versJSON()).object();
            corps.insert(QLatin1StringView(champ), 5);
            ligne(champ, "POST", api, "bonne", QJsonDocument(corps).toJson(), 400,
                  u"Champ « %1 » absent ou invalide."_s.arg(QLatin1StringView(champ)));
        }
        ligne("archive protégée sans cookie", "GET", u"/t/protege001/zip"_s, {}, {}, 401);
        ligne("vue protégée sans cookie", "POST", u"/t/protege001/vue"_s, {}, {}, 401);
        ligne("mot de passe d'un lien inconnu", "POST", u"/t/inconnu000"_s, {}, "mot_de_passe=x", 404);
        ligne("mot de passe d'un lien ouvert", "POST", u"/t/supprime01"_s, {}, "mot_de_passe=x", 303);
        ligne("vue avec un corps", "POST", u"/t/supprime01/vue"_s, {}, "x", 413);
        ligne("fichier caché du transfert", "GET", u"/t/supprime01/f/.cache"_s, {}, {}, 404);
        ligne("version absente", "GET", u"/releases/absente.dmg"_s, {}, {}, 404);
        ligne("chemin inconnu", "GET", u"/rien"_s, {}, {}, 404);
        ligne("copie par ce lien", "GET", u"/t/lienaaaaaa/f/avant.jpg"_s, {}, {}, 404);
        ligne("dossier du token remplacé par un lien", "DELETE", api + u"/lienaaaaaa"_s, "bonne", {}, 200);
        ligne("suppression avec des liens", "DELETE", api + u"/supprime01"_s, "bonne", {}, 200);
    }

    void refus()
    {
        QFETCH(QByteArray, methode);
        QFETCH(QString, chemin);
        QFETCH(QByteArray, cle);
        QFETCH(QByteArray, corps);
        QFETCH(int, statut);
        QFETCH(QString, detail);
        ServeurDeTest& s = *m_serveur;
        const QString dehors = s.environnement().creerDossier(u"dehors"_s);
        const QString secret = s.environnement().creerFichier(u"dehors/secret.txt"_s, "secret");
        const QString a = s.creerSurNAS(u"DATA/Clients/a.txt"_s, "bonjour");
        s.creerSurNAS(u"DATA/Clients/avant.jpg"_s, "x");
        s.creerSurNAS(u"DATA/Clients/apres.jpg"_s, "x");
        QVERIFY(QFile::link(secret, s.nas(u"DATA/fuite"_s)));
        QVERIFY(QFile::link(s.nas({}), s.nas(u"DATA/racine"_s)));
        s.creerSurNAS(u"DATA/.cache/a.txt"_s, "cache");
        s.creerSurNAS(u"racine.txt"_s, "racine");
        s.creer(corpsDe(u"protege001"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s));
        s.creerSurNAS(u"DATA/Valto Transferts/supprime01/copie.txt"_s, "copie");
        s.creerSurNAS(u"DATA/Valto Transferts/supprime01/.cache"_s, "cache");
        QVERIFY(QFile::link(s.nas(u"DATA/Clients"_s), s.nas(u"DATA/Valto Transferts/supprime01/lien"_s)));
        QVERIFY(QFile::link(dehors, s.nas(u"DATA/Valto Transferts/supprime01/dehors"_s)));
        s.creer(corpsDe(u"supprime01"_s, {}));
        // A copies folder swapped for a link after creation: deleting must not follow it.
        s.creer(corpsDe(u"lienaaaaaa"_s, {u"DATA/Clients/a.txt"_s}));
        QVERIFY(QFile::link(s.nas(u"DATA/Clients"_s), s.nas(u"DATA/Valto Transferts/lienaaaaaa"_s)));

        const QByteArray bonne = s.cle().toUtf8();
        const QMap<QByteArray, QByteArray> cles{
            {"bonne", bonne}, {"fausse", bonne.chopped(1) + (bonne.endsWith('0') ? "1" : "0")}};
        // No value for "absente": no header.
        const Entetes entetes{{"Content-Type", "application/json"}, {"X-Api-Key", cles.value(cle)}};
        corps.replace("@NAS@", s.nas({}).toUtf8());
        const ReponseHTTP reponse = s.envoyer(methode, chemin, entetes, corps);
        QCOMPARE(reponse.statut, statut);
        if (chemin.startsWith(u"/api/"_s) && statut >= 400) {
            const QString recu = QJsonDocument::fromJson(reponse.corps)[u"detail"_s].toString();
            QVERIFY2(detail.isEmpty() ? !recu.isEmpty() : recu == detail, qPrintable(recu));
        }

        // Whatever was refused, the server still answers, nothing was registered or changed and nothing
        // outside the deleted transfer's own folder was touched.
        const QList<TransfertAPI> transferts = s.transferts();
        QCOMPARE(transferts.size(), statut == 200 ? 2 : 3);
        QVERIFY(std::ranges::all_of(transferts, [](const auto& t) { return t.titre == u"Photos"_s; }));
        QVERIFY(QFile::exists(secret) && QFile::exists(a));
        QCOMPARE(QDir(s.nas(u"DATA/Valto Transferts/supprime01"_s)).exists(),
                 !(statut == 200 && chemin.endsWith(u"supprime01"_s)));
    }

    void envoiPuisTelechargement_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QStringList>("fichiers");
        QTest::addColumn<QString>("marquePage");

        QTest::newRow("transfert mixte")
            << Mode::transfert << QStringList{u"Volumes/DATA/Clients/plan.pdf"_s, u"Bureau/photo.jpg"_s}
            << u"Tout télécharger"_s;
        // Two versions of one file, copied, on the NAS, or one of each.
        QTest::newRow("homonymes copiés")
            << Mode::compare << QStringList{u"v2/facade.jpg"_s, u"v1/facade.jpg"_s} << u"class=\"curseur\""_s;
        QTest::newRow("homonymes sur le NAS")
            << Mode::compare << QStringList{u"Volumes/DATA/v2/facade.pdf"_s, u"Volumes/DATA/v1/facade.pdf"_s}
            << u"<iframe"_s;
        QTest::newRow("homonymes mêlés")
            << Mode::compare << QStringList{u"Bureau/facade.jpg"_s, u"Volumes/DATA/v1/facade.jpg"_s}
            << u"class=\"curseur\""_s;
    }

    void envoiPuisTelechargement()
    {
        QFETCH(Mode, mode);
        QFETCH(QStringList, fichiers);
        QFETCH(QString, marquePage);
        ServeurDeTest& s = *m_serveur;
        EnvironnementTest& env = s.environnement();
        env.preferences().ecrire(Preferences::cleApiBaseURL, s.origine());
        env.preferences().ecrire(Preferences::cleApiKey, s.cle());
        env.preferences().ecrire(Preferences::cleNasMountPath, s.nas(u"DATA/Valto Transferts"_s));
        HistoryStore historique(env.plateforme(), {});
        TransferFlow flow(mode, env.preferences(), env.plateforme());
        flow.ajouter(projeter(
            fichiers, [&](const QString& fichier) { return env.creerFichier(fichier, fichier.toUtf8()); }));
        flow.envoyer(historique);
        QTRY_VERIFY_WITH_TIMEOUT(
            flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 10000);

        const QString lien = QUrl(flow.etape().transfert.url).path();
        const QString page = QString::fromUtf8(s.envoyer("GET", lien).corps);
        QVERIFY(page.contains(marquePage));
        // A comparison shows the before, then the after; a transfer serves each file under its name.
        QStringList liens;
        for (const QRegularExpressionMatch& apercu :
             QRegularExpression(u"src=\"([^\"]+\\?apercu=1)\""_s).globalMatch(page)) {
            liens.append(apercu.captured(1));
        }
        for (qsizetype i = 0; i < fichiers.size(); ++i) {
            const QString nom = QString::fromUtf8(QUrl::toPercentEncoding(fichiers.at(i).section(u'/', -1)));
            const QString fichier = mode == Mode::compare ? liens.value(i) : lien + u"/f/"_s + nom;
            QCOMPARE(s.envoyer("GET", fichier).corps, fichiers.at(i).toUtf8());
        }
    }

private:
    Moteur m_moteur;
    std::unique_ptr<ServeurDeTest> m_serveur;
};

[[maybe_unused]] static const bool inscription = inscrireSurLesDeuxMoteurs<TestServeurAPI>();

#include "TestServeurAPI.moc"
