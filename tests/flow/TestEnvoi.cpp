#include "core/HistoryStore.h"
#include "flow/TransferFlow.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

using namespace Qt::StringLiterals;

namespace {

const QByteArray reponseCreation =
    R"({"token":"tok4567890","titre":"Photos","url":"https://t.example/tok4567890","protege":false,)"
    R"("cree_le":"2026-12-04T09:30:00Z","expire_le":null,"nb_telechargements":0,"nb_fichiers":2,"octets":1234})";
const QByteArray partagesDATA = R"({"partages":["DATA"]})";

// Holds every thread of the global pool: work queued meanwhile, a copy for one, waits until liberer().
class PoolRetenu final {
public:
    void retenir()
    {
        for (int i = 0; i < QThreadPool::globalInstance()->maxThreadCount(); ++i) {
            QThreadPool::globalInstance()->start([this] { m_liberation.acquire(); });
        }
    }
    void liberer() { m_liberation.release(QThreadPool::globalInstance()->maxThreadCount()); }

private:
    QSemaphore m_liberation;
};

// A NAS mount root with the share DATA and its copies folder, a home folder outside the NAS, the loopback
// server playing the transfer server, and the history.
struct Banc {
    EnvironnementTest env;
    ServeurLocal serveur;
    QString dossierCopies = env.creerDossier(u"Volumes/DATA/Valto Transferts"_s);
    HistoryStore historique{env.plateforme(), {}};

    Banc()
    {
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"cle-test"_s);
        env.preferences().ecrire(Preferences::cleNasMountPath, dossierCopies);
        serveur.repondre("GET", "/api/partages", ReponseScriptee::json(200, partagesDATA));
        serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, reponseCreation));
    }
    QString creer(const QString& relatif, const QByteArray& contenu = "x")
    {
        return env.creerFichier(relatif, contenu);
    }
    std::unique_ptr<TransferFlow> flux(Mode mode, const QStringList& urls)
    {
        auto flow = std::make_unique<TransferFlow>(mode, env.preferences(), env.plateforme());
        flow->ajouter(urls);
        return flow;
    }
    void envoyer(TransferFlow& flow)
    {
        QSignalSpy finDuTravail(&flow, &TransferFlow::travailTermine);
        flow.envoyer(historique);
        QTRY_VERIFY_WITH_TIMEOUT(
            flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 15000);
        // A window closed meanwhile waits on this signal to end the process.
        QTRY_VERIFY(finDuTravail.size() == 1 && !flow.travailEnCours() && !flow.transfertEnCours());
    }
    qsizetype creations() const
    {
        return std::ranges::count(serveur.requetes(), "POST", &RequeteRecue::methode);
    }
    QStringList dossiersDeTransfert() const
    {
        return QDir(dossierCopies).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    // Sends, then checks what every success shows: the steps, the exact request body (%1: the token), the
    // per-transfer folder and its files, the clipboard, the newest history entry.
    void reussir(TransferFlow& flow, QByteArray corps, const Arbre& copies)
    {
        QList<Etape::Cas> etapes;
        QObject::connect(&flow, &TransferFlow::etapeChanged, &flow, [&] { etapes.append(flow.etape().cas); });
        envoyer(flow);
        using enum Etape::Cas;
        QCOMPARE(etapes,
                 (copies.isEmpty() ? QList{enregistrement, termine} : QList{copie, enregistrement, termine}));
        QVERIFY(creations() == 1 && (copies.isEmpty() ? flow.progression() == 0 : flow.progression() > 0.99));
        const QByteArray recu = serveur.requetes().last().corps;
        const QString token = QJsonDocument::fromJson(recu).object().value(u"token"_s).toString();
        QCOMPARE(recu, corps.replace("%1", token.toUtf8()));
        QCOMPARE(dossiersDeTransfert(), copies.isEmpty() ? QStringList() : QStringList{token});
        QCOMPARE(lireArbre(dossierCopies + u'/' + token), copies);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"https://t.example/tok4567890"_s);
        const QString motDePasse = flow.motDePasse();
        const Transfert attendu(u"tok4567890"_s, u"Photos"_s, u"https://t.example/tok4567890"_s, false,
                                QDateTime(QDate(2026, 12, 4), QTime(9, 30), Qt::UTC), std::nullopt, 2, 1234,
                                motDePasse.isEmpty() ? std::nullopt : std::optional(motDePasse),
                                valeurBrute(flow.mode()));
        QCOMPARE(historique.transferts(), QList{attendu});
        QCOMPARE(flow.etape(), Etape::termine(historique.transferts().first()));
    }
};

using Preparation = std::function<void(Banc&)>;

} // namespace

class TestEnvoi final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Off-NAS files and folders copied (hidden files kept, .DS_Store left out but counted), NAS files
    // referenced, with the share list the server just gave; the title trimmed of spaces and tabs only.
    void transfertMixte()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages",
                               ReponseScriptee::json(200, R"({"partages":["DATA","ARCHIVES"]})"));
        const QByteArray photo(2 * 1024 * 1024 + 5, 'p');
        banc.creer(u"home/Export/sous/.cache"_s, "cache");
        banc.creer(u"home/Export/.DS_Store"_s, "ds");
        auto flow = banc.flux(Mode::transfert, {banc.creer(u"home/Bureau/photo.jpg"_s, photo),
                                                banc.creer(u"Volumes/ARCHIVES/Clients/plan.pdf"_s),
                                                banc.env.chemin(u"home/Export"_s)});
        flow->setTitre(u"\u00A0 Photos du jour\n\t "_s);
        flow->setMotDePasse(u"secret"_s);
        flow->setExpirationJours(30);
        banc.reussir(
            *flow,
            R"({"token":"%1","titre":"Photos du jour\n","expediteur":"Camille Test","expire_jours":30,)"
            R"("mot_de_passe":"secret","fichiers":["ARCHIVES/Clients/plan.pdf"],"type":"transfert"})",
            {{u"photo.jpg"_s, photo},
             {u"Export/"_s, {}},
             {u"Export/sous/"_s, {}},
             {u"Export/sous/.cache"_s, "cache"}});
        QCOMPARE(banc.env.preferences().valeur(Preferences::clePartagesConnus),
                 (QStringList{u"DATA"_s, u"ARCHIVES"_s}));
        QVERIFY(flow->octetsACopier() == photo.size() + 5 + 2 && flow->octetsCopies() == photo.size() + 5);
    }

    // A failed shares request leaves the stored list in force. Two versions of one file go by what tells
    // them apart: the NAS one by its place, the one-byte copy by its name in the transfer's folder.
    void comparaisonSurLesPartagesMemorises()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", ReponseScriptee::json(500, "{}"));
        banc.env.preferences().ecrire(Preferences::clePartagesConnus, QStringList{u"PROJETS"_s});
        auto flow = banc.flux(Mode::compare,
                              {banc.creer(u"Volumes/PROJETS/v1/plan.pdf"_s), banc.creer(u"home/plan.pdf"_s)});
        banc.reussir(
            *flow,
            R"({"token":"%1","titre":"plan","expediteur":"Camille Test","expire_jours":7,)"
            R"("fichiers":["PROJETS/v1/plan.pdf"],"type":"compare","ordre":["PROJETS/v1/plan.pdf","plan.pdf"]})",
            {{u"plan.pdf"_s, "x"}});
    }

    // Every failure ends in `erreur` with its text; the run's own folder is removed, and nothing else.
    void echecs_data()
    {
        QTest::addColumn<Preparation>("preparer");
        QTest::addColumn<QString>("message"); // %1: the home folder
        QTest::newRow("serveur qui raccroche") << Preparation([](Banc& banc) {
            banc.serveur.remplacer("POST", "/api/transferts", {.forme = ReponseScriptee::Forme::coupee});
        }) << u"Connection closed"_s;
        QTest::newRow("fichier disparu pendant la copie") << Preparation([](Banc& banc) {
            QVERIFY(QFile::link(banc.env.chemin(u"nulle-part"_s), banc.env.chemin(u"home/Projet/z.txt"_s)));
        }) << u"Copie de « %1/Projet/z.txt » impossible : "_s + u"Aucun fichier ou dossier de ce nom"_s;
    }
    void echecs()
    {
        QFETCH(Preparation, preparer);
        QFETCH(QString, message);
        Banc banc;
        banc.creer(u"Volumes/DATA/Valto Transferts/autre/garde.txt"_s, "g");
        const QString photo = banc.creer(u"home/photo.jpg"_s);
        const QString dossier = QFileInfo(banc.creer(u"home/Projet/a.txt"_s)).path();
        preparer(banc);
        QGuiApplication::clipboard()->setText(u"avant"_s);
        auto flow = banc.flux(Mode::transfert, {photo, dossier});
        flow->setMotDePasse(u"pw"_s);
        banc.envoyer(*flow);
        QCOMPARE(flow->etape(), Etape::erreur(message.replace(u"%1"_s, banc.env.chemin(u"home"_s))));
        QCOMPARE(lireArbre(banc.dossierCopies), Arbre({{u"autre/"_s, {}}, {u"autre/garde.txt"_s, "g"}}));
        QVERIFY(banc.historique.transferts().isEmpty() && QGuiApplication::clipboard()->text() == u"avant"_s);
        QVERIFY(flow->urls() == (QStringList{photo, dossier}) && flow->motDePasse() == u"pw"_s);
    }

    // While the shares are asked for: a second press is ignored, a choice left incomplete stops the run,
    // cancelling ends it for good, and the user's next send goes through on its own.
    void pendantLaDemandeDesPartages()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", {.corps = partagesDATA, .delaiMs = 100});
        const QString b = banc.creer(u"Volumes/DATA/b.jpg"_s);
        auto flow = banc.flux(Mode::compare, {banc.creer(u"Volumes/DATA/a.jpg"_s), b});
        flow->envoyer(banc.historique);
        flow->retirer(b);
        QTRY_VERIFY(!flow->travailEnCours());
        flow->ajouter({b});
        flow->envoyer(banc.historique);
        banc.envoyer(*flow);
        QCOMPARE(banc.creations(), 1);

        banc.serveur.repondre("GET", "/api/partages", {.corps = partagesDATA, .delaiMs = 400});
        QStringList tokens{u"annule0001"_s, u"nouveau001"_s};
        banc.env.plateforme().tirerToken = [&tokens] { return tokens.takeFirst(); };
        flow = banc.flux(Mode::transfert, {banc.creer(u"Volumes/DATA/a.jpg"_s)});
        flow->envoyer(banc.historique);
        flow->reinitialiser();
        flow->ajouter({banc.creer(u"Volumes/DATA/b.jpg"_s)});
        QCOMPARE(flow->urls(), QStringList{banc.env.chemin(u"Volumes/DATA/b.jpg"_s)});
        banc.envoyer(*flow);
        QVERIFY(flow->etape().cas == Etape::Cas::termine && banc.creations() == 2);
        QCOMPARE(QJsonDocument::fromJson(banc.serveur.requetes().last().corps)[u"token"_s], u"nouveau001"_s);
    }

    // Closing the window mid-send: whatever the run copied and did not register goes away.
    void fermetureEnCours_data()
    {
        QTest::addColumn<Etape::Cas>("fermeeA");
        QTest::addColumn<int>("statutCreation");
        QTest::newRow("copie") << Etape::Cas::copie << 201;
        QTest::newRow("enregistrement refusé") << Etape::Cas::enregistrement << 500;
        QTest::newRow("enregistrement réussi") << Etape::Cas::enregistrement << 201;
    }
    void fermetureEnCours()
    {
        QFETCH(Etape::Cas, fermeeA);
        QFETCH(int, statutCreation);
        const bool enregistre = fermeeA == Etape::Cas::enregistrement && statutCreation == 201;
        Banc banc;
        banc.serveur.remplacer("POST", "/api/transferts",
                               {.statut = statutCreation, .corps = reponseCreation, .delaiMs = 300});
        QPointer<TransferFlow> flow =
            banc.flux(Mode::transfert, {banc.creer(u"home/gros.bin"_s, QByteArray(16 * 1024 * 1024, 'g'))})
                .release();
        // The copy is held back until the flow is gone, so closing always meets it running.
        PoolRetenu pool;
        connect(flow, &TransferFlow::etapeChanged, flow, [&flow, &pool, fermeeA] {
            if (flow->etape().cas == fermeeA) {
                if (fermeeA == Etape::Cas::copie) {
                    pool.retenir();
                }
                flow->deleteLater();
            }
        });
        flow->envoyer(banc.historique);
        QTRY_VERIFY(flow.isNull());
        pool.liberer();
        QThreadPool::globalInstance()->waitForDone();
        QTRY_COMPARE_WITH_TIMEOUT(banc.dossiersDeTransfert().size(), enregistre ? 1 : 0, 15000);
        QTRY_COMPARE(banc.historique.transferts().size(), enregistre ? 1 : 0);
    }
};

VALTO_INSCRIRE_TESTS(TestEnvoi)
#include "TestEnvoi.moc"
