#include "ServeurDeTest.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

// The pages a client opens from a link, the downloads and the statistics they feed.
class TestServeurPages final : public QObject {
    Q_OBJECT

public:
    explicit TestServeurPages(Moteur moteur)
        : m_moteur(moteur)
    {
    }

private Q_SLOTS:
    void init()
    {
        m_serveur = std::make_unique<ServeurDeTest>(nullptr, m_moteur);
        m_serveur->creerListe();
    }
    void cleanup() { m_serveur.reset(); }

    void pages_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<int>("statut");
        QTest::addColumn<QStringList>("presents");
        QTest::addColumn<QStringList>("absents");

        const auto ligne = [](const char* nom, const QString& chemin, int statut, const QStringList& presents,
                              const QStringList& absents = {}) {
            QTest::newRow(nom) << chemin << statut << presents << absents;
        };
        ligne("liste", u"/t/listeaaaaa"_s, 200,
              {u"Tout télécharger"_s, u"&lt;b&gt;Maquettes&lt;/b&gt; &amp; co"_s, u"/t/listeaaaaa/f/a.txt"_s,
               u"/t/listeaaaaa/f/Dossier/Sous/c.txt\" download"_s, u"/t/listeaaaaa/f/copie%20%C3%A9.txt"_s,
               u"/t/listeaaaaa/f/a%20%282%29.txt"_s, u"Envoyé par Camille · 5 fichiers · 300,0 Ko"_s,
               u"<script>"_s},
              {u"<b>Maquettes"_s});
        ligne("expiré", u"/t/expireaaaa"_s, 410, {u"Lien expiré"_s});
        ligne("protégé", u"/t/protegeaaa"_s, 401, {u"name=\"mot_de_passe\""_s}, {u"a.txt"_s, u"<script>"_s});
        ligne("comparaison d'images", u"/t/comparejpg"_s, 200,
              {u"class=\"curseur\""_s, u"/t/comparejpg/f/avant.jpg?apercu=1"_s, u"/static/comparaison.js"_s,
               u"2 fichiers · 1,0 Ko"_s},
              {u"<iframe"_s});
        ligne("comparaison de PDF", u"/t/comparepdf"_s, 200,
              {u"<iframe src=\"/t/comparepdf/f/avant.pdf?apercu=1\""_s}, {u"curseur\""_s});
        ligne("aperçu", u"/t/comparejpg/f/%C3%A9~.jpg?apercu=1"_s, 200, {u"inline; filename=\"__~.jpg\""_s});
        ligne("homonyme dans les copies", u"/t/listeaaaaa/f/a%20%282%29.txt"_s, 200, {u"copie homonyme"_s});
        ligne("un dossier n'est pas un fichier", u"/t/listeaaaaa/f/Dossier"_s, 404, {u"Lien introuvable"_s});
        ligne("chemin du NAS", u"/t/listeaaaaa/f/DATA/Clients/a.txt"_s, 404, {});
        ligne("nom vide en chemin", u"/t/listeaaaaa/f/Dossier//b.txt"_s, 404, {});
        ligne("octet nul", u"/t/listeaaaaa/f/Dossier/Sous/c.txt%00.html"_s, 404, {u"Lien introuvable"_s});
        // A whole share holds the copies folder: other transfers' copies stay out.
        ligne("partage entier", u"/t/partageaaa"_s, 200, {u"/t/partageaaa/f/DATA/Clients/a.txt"_s},
              {u"copie"_s});
        ligne("copie d'un autre par un partage",
              u"/t/partageaaa/f/DATA/Valto%20Transferts/listeaaaaa/copie%20%C3%A9.txt"_s, 404,
              {u"Lien introuvable"_s});
        ligne("fichiers partis", u"/t/partiaaaaa"_s, 200, {u"Ces fichiers ne sont plus disponibles."_s});
        ligne("manifeste", u"/releases/version.json"_s, 200, {u"application/json"_s, u"\"9.9\""_s});
    }

    void pages()
    {
        QFETCH(QString, chemin);
        QFETCH(QStringList, presents);
        QFETCH(QStringList, absents);
        ServeurDeTest& s = *m_serveur;
        for (const QString& type : {u"jpg"_s, u"pdf"_s}) {
            const QStringList noms{u"avant."_s + type, u"é~."_s + type};
            s.creerSurNAS(u"DATA/C/"_s + noms[0], QByteArray(500, 'x'));
            s.creerSurNAS(u"DATA/C/"_s + noms[1], QByteArray(500, 'x'));
            // Files listed in the other order: the page follows "ordre".
            s.creer(corpsDe(u"compare"_s + type, {u"DATA/C/"_s + noms[1], u"DATA/C/"_s + noms[0]}, {},
                            u"compare"_s, noms));
        }
        s.creer(corpsDe(u"protegeaaa"_s, {u"DATA/Clients/a.txt"_s}, u"juste"_s));
        s.creer(corpsDe(u"partageaaa"_s, {u"DATA"_s}));
        const QString parti = s.creerSurNAS(u"DATA/C/parti.txt"_s, "x");
        s.creer(corpsDe(u"partiaaaaa"_s, {u"DATA/C/parti.txt"_s}));
        QFile::remove(parti);
        s.creerSurNAS(u"DATA/Valto Transferts/listeaaaaa/a.txt"_s, "copie homonyme");
        CorpsCreation expire = corpsDe(u"expireaaaa"_s, {u"DATA/Clients/a.txt"_s});
        expire.expireJours = 1;
        s.creer(expire);
        s.avancer(86400);

        const ReponseHTTP reponse = s.envoyer("GET", chemin, {{"User-Agent", navigateur}});
        QTEST(reponse.statut, "statut");
        const auto page = QString::fromUtf8(QByteArrayList(reponse.entetes.values()).join() + reponse.corps);
        for (const QString& texte : presents + absents) {
            QVERIFY2(page.contains(texte) == presents.contains(texte), qPrintable(texte));
        }
        // A browser runs the inline script only if the policy names its hash.
        const QByteArray script = page.section(u"<script>"_s, 1).section(u"</script>"_s, 0, 0).toUtf8();
        QVERIFY(script.isEmpty() ||
                reponse.entetes.value("content-security-policy")
                    .contains("'sha256-" +
                              QCryptographicHash::hash(script, QCryptographicHash::Sha256).toBase64() + "'"));
    }

    // A large listing is walked once for a page and its reloads, and again once a folder it names changes.
    void grandeListe()
    {
        for (int i = 0; i < 1000; ++i) {
            m_serveur->creerSurNAS(u"DATA/Lot/Sous/%1"_s.arg(i), {});
        }
        m_serveur->creer(corpsDe(u"grosaaaaaa"_s, {u"DATA/Lot"_s}));
        QVERIFY(m_serveur->envoyer("GET", u"/t/grosaaaaaa"_s).corps.contains("1000 fichiers"));
        m_serveur->creerSurNAS(u"DATA/Lot/Sous/nouveau"_s, {});
        QVERIFY(m_serveur->envoyer("GET", u"/t/grosaaaaaa"_s).corps.contains("1000 fichiers"));
        m_serveur->creerSurNAS(u"DATA/Lot/b"_s, {});
        QVERIFY(m_serveur->envoyer("GET", u"/t/grosaaaaaa"_s).corps.contains("1002 fichiers"));
    }

    void motDePasse()
    {
        ServeurDeTest& s = *m_serveur;
        s.creer(corpsDe(u"protegeaaa"_s, {u"DATA/Clients/a.txt"_s}, u"été 2026"_s));
        s.creer(corpsDe(u"protegeccc"_s, {u"DATA/Clients/a.txt"_s}, u"a/"_s));
        const ReponseHTTP faux = s.ouvrir(u"protegeaaa"_s, "ete+2026");
        QVERIFY(faux.statut == 401 && faux.corps.contains("Mot de passe incorrect."));
        const ReponseHTTP tropTot = s.ouvrir(u"protegeaaa"_s, "ete+2026");
        QVERIFY(tropTot.statut == 429 && tropTot.corps.contains("Réessayez dans 1 seconde."));
        s.avancer(1);
        const ReponseHTTP juste = s.ouvrir(u"protegeaaa"_s, "%c3%a9t%c3%a9+2026");
        QVERIFY(juste.statut == 303 && juste.entetes.value("set-cookie").contains("HttpOnly"));
        QCOMPARE(juste.entetes.value("location"), "/t/protegeaaa");
        const QByteArray cookie = cookieDe(juste);

        const ReponseHTTP ouverte = s.envoyer("GET", u"/t/protegeaaa"_s, {{"Cookie", "autre=1; " + cookie}});
        QVERIFY(ouverte.statut == 200 && ouverte.corps.contains("Camille · 1 fichier · 7 o"));
        const QByteArray falsifie = cookie.chopped(1) + (cookie.endsWith('0') ? "1" : "0");
        QCOMPARE(s.envoyer("GET", u"/t/protegeaaa/f/a.txt"_s, {{"Cookie", falsifie}}).statut, 401);
        // The cookie opens its own transfer only, not one made again under its token, and not for ever.
        const QByteArray pourAutre = QByteArray(cookie).replace("protegeaaa", "protegeccc");
        QCOMPARE(s.envoyer("GET", u"/t/protegeccc"_s, {{"Cookie", pourAutre}}).statut, 401);
        QVERIFY(QCoro::waitFor(s.api().supprimerTransfert(u"protegeaaa"_s)).has_value());
        s.creer(corpsDe(u"protegeaaa"_s, {u"DATA/Clients/a.txt"_s}, u"autre"_s));
        QCOMPARE(s.envoyer("GET", u"/t/protegeaaa"_s, {{"Cookie", cookie}}).statut, 401);
        const QByteArray nouveau = cookieDe(s.ouvrir(u"protegeaaa"_s, "autre"));
        QCOMPARE(s.envoyer("GET", u"/t/protegeaaa"_s, {{"Cookie", nouveau}}).statut, 200);
        // Twelve hours, to the second.
        s.avancer(12 * 3600 - 1);
        QCOMPARE(s.envoyer("GET", u"/t/protegeaaa"_s, {{"Cookie", nouveau}}).statut, 200);
        s.avancer(1);
        QCOMPARE(s.envoyer("GET", u"/t/protegeaaa"_s, {{"Cookie", nouveau}}).statut, 401);
        // A broken escape stays as typed ("%3G" is no "/"); a right one decodes, at the very end too.
        QCOMPARE(s.ouvrir(u"protegeccc"_s, "a%3G").statut, 401);
        s.avancer(2);
        QCOMPARE(s.ouvrir(u"protegeccc"_s, "a%2F").statut, 303);
    }

    void statistiques_data()
    {
        QTest::addColumn<QStringList>("visites");
        QTest::addColumn<QByteArray>("agent");
        QTest::addColumn<QStringList>("evenements");

        const QString page = u"GET /t/listeaaaaa"_s;
        const QString vue = u"POST /t/listeaaaaa/vue"_s;
        const QString fichier = u"GET /t/listeaaaaa/f/a.txt"_s;
        const QByteArray robot = "Mozilla/5.0 (compatible; Discordbot/2.0)";
        QTest::newRow("rechargements dans la minute")
            << QStringList{page, vue, page, vue} << navigateur << QStringList{u"ouverture"_s};
        QTest::newRow("une minute plus tard")
            << QStringList{vue, u"61 s"_s, vue} << navigateur << QStringList(2, u"ouverture"_s);
        QTest::newRow("page sans sa balise") << QStringList{page, page} << navigateur << QStringList{};
        QTest::newRow("robot d'aperçu") << QStringList{page, vue} << robot << QStringList{};
        QTest::newRow("HEAD") << QStringList{u"HEAD /t/listeaaaaa"_s, u"HEAD /t/listeaaaaa/f/a.txt"_s}
                              << navigateur << QStringList{};
        QTest::newRow("deux fichiers complets")
            << QStringList{fichier, fichier} << navigateur << QStringList(2, u"telechargement"_s);
        QTest::newRow("aperçu") << QStringList{fichier + u"?apercu=1"_s} << navigateur << QStringList{};
    }

    void statistiques()
    {
        QFETCH(QStringList, visites);
        QFETCH(QByteArray, agent);
        QFETCH(QStringList, evenements);
        ServeurDeTest& s = *m_serveur;
        s.creer(corpsDe(u"repereaaaa"_s, {u"DATA/Clients/a.txt"_s}));
        Ecouteur ecouteur(s);
        for (const QString& visite : visites) {
            if (visite == u"61 s"_s) {
                s.avancer(61);
            } else {
                s.envoyer(visite.section(u' ', 0, 0).toLatin1(), visite.section(u' ', 1),
                          {{"User-Agent", agent}});
            }
        }
        // Each event is one count. A download is counted once its last byte left, possibly after the client
        // got it.
        const qint64 vues = evenements.count(u"ouverture"_s);
        const qint64 telechargements = evenements.count(u"telechargement"_s);
        const auto compteurs = [&] {
            const TransfertAPI t = s.transferts().last();
            return std::tuple(t.nbVues.value_or(-1), t.nbTelechargements, t.premiereVue.has_value(),
                              t.dernierTelechargement.has_value());
        };
        QTRY_COMPARE(compteurs(), std::tuple(vues, telechargements, vues > 0, telechargements > 0));
        const auto sortes = [&] {
            return projeter(ecouteur.evenements(u"listeaaaaa"_s),
                            [](const auto& evenement) { return evenement.first; });
        };
        QTRY_COMPARE_WITH_TIMEOUT(sortes(), evenements, 1000);
        // Another transfer's view closes the row: nothing more came of it.
        s.envoyer("POST", u"/t/repereaaaa/vue"_s, {{"User-Agent", navigateur}});
        QTRY_VERIFY_WITH_TIMEOUT(!ecouteur.evenements(u"repereaaaa"_s).isEmpty(), 1000);
        QCOMPARE(sortes(), evenements);
        const auto recus = ecouteur.evenements(u"listeaaaaa"_s);
        const QByteArray liste = s.envoyer("GET", u"/api/transferts"_s, s.entetesAPI()).corps;
        // Each event carries the record as read after its own count; two downloads counted at once may
        // tell in either order, so the list's record is one of them, not necessarily the last.
        QVERIFY(recus.isEmpty() || std::ranges::any_of(recus, [&](const auto& recu) {
                    return liste.contains(QJsonDocument(recu.second).toJson(QJsonDocument::Compact));
                }));
    }

private:
    Moteur m_moteur;
    std::unique_ptr<ServeurDeTest> m_serveur;
};

[[maybe_unused]] static const bool inscription = inscrireSurLesDeuxMoteurs<TestServeurPages>();

#include "TestServeurPages.moc"
