#include "api/DepuisAPI.h"
#include "core/HistoryStore.h"
#include "flow/TransferFlow.h"
#include "nas/NASCopier.h"
#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"

#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray reponseCreation =
    "{\"token\":\"tok4567890\",\"titre\":\"Photos\",\"url\":\"https://t.example/tok4567890\","
    "\"protege\":false,\"cree_le\":\"2026-12-04T09:30:00Z\",\"expire_le\":null,"
    "\"nb_telechargements\":0,\"nb_fichiers\":2,\"octets\":1234}";
const QByteArray partagesDATA = "{\"partages\":[\"DATA\"]}";

// Path under the test root (or under a folder for lireArbre) → contents.
using Arbre = QMap<QString, QByteArray>;

ReponseScriptee lente(ReponseScriptee reponse, int delaiMs)
{
    reponse.delaiMs = delaiMs;
    return reponse;
}

// The files below `racine` (hidden ones included) with their contents.
Arbre lireArbre(const QString& racine)
{
    Arbre arbre;
    QDirIterator parcours(racine, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (parcours.hasNext()) {
        QFile fichier(parcours.next());
        arbre.insert(QDir(racine).relativeFilePath(fichier.fileName()),
                     fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : "<illisible>");
    }
    return arbre;
}

// A NAS mount root with the share DATA and its copies folder, a home folder outside the NAS,
// the loopback server playing the transfer server, and the history.
struct Banc {
    EnvironnementTest env;
    ServeurLocal serveur;
    QString dossierCopies = env.creerDossier(u"Volumes/DATA/Valto Transferts"_s);
    HistoryStore historique{env.plateforme(), statsDuServeur(env.preferences())};

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
        flow.envoyer(historique);
        QTRY_VERIFY_WITH_TIMEOUT(
            flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 15000);
    }
    qsizetype creations() const
    {
        return std::ranges::count(serveur.requetes(), QByteArray("POST"), &RequeteRecue::methode);
    }
    QStringList dossiersDeTransfert() const
    {
        return QDir(dossierCopies).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QStringList partagesConnus()
    {
        return env.preferences().valeur(Preferences::clePartagesConnus).toStringList();
    }

    // Sends, then checks what every success shows: the exact request body (%1: the token), the
    // per-transfer folder (none when `copies` is empty), the steps, the clipboard, the newest entry.
    void reussir(TransferFlow& flow, QByteArray corps, const Arbre& copies)
    {
        QList<Etape::Cas> etapes;
        const auto suivi = QObject::connect(&flow, &TransferFlow::etapeChanged, &flow,
                                            [&] { etapes.append(flow.etape().cas); });
        envoyer(flow);
        QObject::disconnect(suivi);
        QCOMPARE(flow.etape().message, QString());
        QCOMPARE(creations(), 1);
        const QByteArray recu = serveur.requetes().last().corps;
        const QString token = QJsonDocument::fromJson(recu).object().value(u"token"_s).toString();
        QCOMPARE(recu, corps.replace("%1", token.toUtf8()));
        QCOMPARE(dossiersDeTransfert(), copies.isEmpty() ? QStringList() : QStringList{token});
        QCOMPARE(lireArbre(dossierCopies + u'/' + token), copies);
        using enum Etape::Cas;
        QCOMPARE(etapes,
                 (copies.isEmpty() ? QList{enregistrement, termine} : QList{copie, enregistrement, termine}));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"https://t.example/tok4567890"_s);
        QCOMPARE(historique.transferts().size(), 1);
        const Transfert entree = historique.transferts().first();
        QCOMPARE(entree, flow.etape().transfert);
        const QString motDePasse = flow.motDePasse();
        QCOMPARE(entree.motDePasse, motDePasse.isEmpty() ? std::nullopt : std::optional(motDePasse));
        // The server's answer names no type: the mode's word is kept.
        QCOMPARE(entree.type, std::optional(valeurBrute(flow.mode())));
    }
};

using Preparation = std::function<void(Banc&)>;

} // namespace

class TestEnvoi final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transfertMixte()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages",
                               ReponseScriptee::json(200, "{\"partages\":[\"DATA\",\"ARCHIVES\"]}"));
        const QByteArray photo(3 * 1024 * 1024 + 5, 'p');
        banc.creer(u"home/Export/a.txt"_s, "a");
        banc.creer(u"home/Export/sous/.cache"_s, "cache");
        banc.creer(u"home/Export/.DS_Store"_s, "ds");
        auto flow = banc.flux(Mode::transfert, {banc.creer(u"home/Bureau/photo.jpg"_s, photo),
                                                banc.creer(u"Volumes/ARCHIVES/Clients/plan.pdf"_s),
                                                banc.env.chemin(u"home/Export"_s)});
        flow->setTitre(u"\u00A0 Photos du jour\t "_s);
        flow->setMotDePasse(u"secret"_s);
        flow->setExpirationJours(30);
        QSignalSpy progression(flow.get(), &TransferFlow::octetsCopiesChanged);
        banc.reussir(*flow,
                     "{\"token\":\"%1\",\"titre\":\"Photos du jour\",\"expediteur\":\"Camille Test\","
                     "\"expire_jours\":30,\"mot_de_passe\":\"secret\","
                     "\"fichiers\":[\"ARCHIVES/Clients/plan.pdf\"],\"type\":\"transfert\"}",
                     {{u"photo.jpg"_s, photo}, {u"Export/a.txt"_s, "a"}, {u"Export/sous/.cache"_s, "cache"}});
        QCOMPARE(banc.partagesConnus(), (QStringList{u"DATA"_s, u"ARCHIVES"_s}));
        // Every off-NAS byte is counted, .DS_Store included; one report per 1 MiB chunk at most.
        QCOMPARE(flow->octetsACopier(), photo.size() + 1 + 5 + 2);
        QCOMPARE(flow->octetsCopies(), photo.size() + 1 + 5);
        QVERIFY2(progression.count() <= 4 + 1 + 1, qPrintable(QString::number(progression.count())));
    }

    // A failed shares request leaves the stored list in force: PROJETS counts as a share.
    void toutSurLesPartagesMemorises()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", ReponseScriptee::json(500, "{}"));
        banc.env.preferences().ecrire(Preferences::clePartagesConnus, QStringList{u"DATA"_s, u"PROJETS"_s});
        auto flow = banc.flux(Mode::transfert, {banc.creer(u"Volumes/DATA/a.jpg"_s),
                                                banc.creer(u"Volumes/PROJETS/Projet/b.jpg"_s)});
        flow->setTitre(u"Lot"_s);
        banc.reussir(*flow,
                     "{\"token\":\"%1\",\"titre\":\"Lot\",\"expediteur\":\"Camille Test\",\"expire_jours\":7,"
                     "\"fichiers\":[\"DATA/a.jpg\",\"PROJETS/Projet/b.jpg\"],\"type\":\"transfert\"}",
                     {});
        QCOMPARE(banc.partagesConnus(), (QStringList{u"DATA"_s, u"PROJETS"_s}));
    }

    void comparaison()
    {
        Banc banc;
        auto flow = banc.flux(Mode::compare,
                              {banc.creer(u"home/avant.jpg"_s, "1"), banc.creer(u"home/après.PNG"_s, "2")});
        banc.reussir(*flow,
                     "{\"token\":\"%1\",\"titre\":\"avant vs après\",\"expediteur\":\"Camille Test\","
                     "\"expire_jours\":7,\"fichiers\":[],\"type\":\"compare\",\"ordre\":[\"avant.jpg\","
                     "\"après.PNG\"]}",
                     {{u"avant.jpg"_s, "1"}, {u"après.PNG"_s, "2"}});
    }

    // Every failure ends in `erreur` with its text; the run's own folder is removed, and nothing else.
    void echecs_data()
    {
        QTest::addColumn<Preparation>("preparer");
        QTest::addColumn<QString>("message"); // %1: the copies folder
        QTest::addColumn<bool>("creationEnvoyee");

        const auto creation = [](ReponseScriptee reponse) {
            return Preparation(
                [reponse](Banc& banc) { banc.serveur.remplacer("POST", "/api/transferts", reponse); });
        };
        const auto preference = [](const QString& cle, const QString& valeur) { // %1: the copies folder
            return Preparation([=](Banc& banc) {
                banc.env.preferences().ecrire(cle, QString(valeur).replace(u"%1"_s, banc.dossierCopies));
            });
        };
        ReponseScriptee coupee;
        coupee.forme = ReponseScriptee::Forme::coupee;

        QTest::newRow("statut 200 au lieu de 201")
            << creation(ReponseScriptee::json(200, reponseCreation)) << u"Serveur : erreur 200. "_s << true;
        QTest::newRow("conflit avec détail")
            << creation(ReponseScriptee::json(409, "{\"detail\":\"Token déjà utilisé\"}"))
            << u"Serveur : erreur 409. Token déjà utilisé"_s << true;
        QTest::newRow("réponse illisible")
            << creation(ReponseScriptee::json(201, "{\"token\":\"x\"}"))
            << u"Réponse du serveur illisible : la valeur « titre » est absente ou invalide."_s << true;
        QTest::newRow("serveur qui raccroche") << creation(coupee) << u"Connection closed"_s << true;
        QTest::newRow("clé API manquante")
            << preference(Preferences::cleApiKey, QString())
            << u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s << false;
        QTest::newRow("fichier disparu pendant la copie") << Preparation([](Banc& banc) {
            QVERIFY(QFile::link(banc.env.chemin(u"nulle-part"_s),
                                banc.env.chemin(u"home/Projet/z-disparu.txt"_s)));
        }) << qt_error_string(ENOENT) << false;
        QTest::newRow("dossier des copies absent")
            << preference(Preferences::cleNasMountPath, u"%1/absent"_s)
            << u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est introuvable "
               u"(%1/absent). Connecte le partage DATA dans le Finder, puis réessaie."_s
            << false;
        // The copies folder set to another transfer's file: that file must survive.
        QTest::newRow("un fichier à la place du dossier des copies")
            << preference(Preferences::cleNasMountPath, u"%1/autre-transfert/garde.txt"_s)
            << qt_error_string(ENOTDIR) << false;
    }
    void echecs()
    {
        QFETCH(Preparation, preparer);
        QFETCH(QString, message);
        QFETCH(bool, creationEnvoyee);
        Banc banc;
        banc.creer(u"Volumes/DATA/Valto Transferts/autre-transfert/garde.txt"_s, "g");
        const QString photo = banc.creer(u"home/photo.jpg"_s);
        const QString dossier = QFileInfo(banc.creer(u"home/Projet/a.txt"_s)).path();
        preparer(banc);
        QGuiApplication::clipboard()->setText(u"avant"_s);
        auto flow = banc.flux(Mode::transfert, {photo, dossier});
        flow->setMotDePasse(u"pw"_s);
        banc.envoyer(*flow);

        QCOMPARE(flow->etape().cas, Etape::Cas::erreur);
        QCOMPARE(flow->etape().message, message.replace(u"%1"_s, banc.dossierCopies));
        QCOMPARE(banc.creations() > 0, creationEnvoyee);
        QCOMPARE(banc.dossiersDeTransfert(), QStringList{u"autre-transfert"_s});
        QCOMPARE(lireArbre(banc.dossierCopies), Arbre({{u"autre-transfert/garde.txt"_s, "g"}}));
        QVERIFY(banc.historique.transferts().isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"avant"_s);
        // The choices stay until the user starts again.
        QCOMPARE(flow->urls(), (QStringList{photo, dossier}));
        QCOMPARE(flow->motDePasse(), u"pw"_s);
    }

    void secondAppuiIgnore()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", lente(ReponseScriptee::json(200, partagesDATA), 200));
        auto flow = banc.flux(Mode::transfert, {banc.creer(u"Volumes/DATA/a.jpg"_s)});
        flow->envoyer(banc.historique);
        banc.envoyer(*flow);
        QCOMPARE(banc.creations(), 1);
        // A finished run lets the next transfer go.
        flow->reinitialiser();
        flow->ajouter({banc.creer(u"Volumes/DATA/b.jpg"_s)});
        banc.envoyer(*flow);
        QCOMPARE(banc.historique.transferts().size(), 2);
    }

    void compareReduiteAUneImage()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", lente(ReponseScriptee::json(200, partagesDATA), 200));
        const QString a = banc.creer(u"home/a.jpg"_s);
        auto flow = banc.flux(Mode::compare, {a, banc.creer(u"home/b.jpg"_s)});
        // Removed while the shares are asked for: the run stops; with one image left none can start.
        flow->envoyer(banc.historique);
        flow->retirer(a);
        QTRY_VERIFY(!flow->envoiEnCours());
        flow->envoyer(banc.historique);
        QVERIFY(!flow->envoiEnCours());
        QCOMPARE(flow->etape(), Etape::options());
        QCOMPARE(banc.creations(), 0);
        QVERIFY(banc.dossiersDeTransfert().isEmpty());
    }

    // Cancelled while the shares are asked for, then a new drop: the old run ends for good and the
    // user's next send goes through on its own.
    void envoiAnnule()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", lente(ReponseScriptee::json(200, partagesDATA), 100));
        banc.serveur.repondre("GET", "/api/partages", lente(ReponseScriptee::json(200, partagesDATA), 400));
        QStringList tokens{u"annule0001"_s, u"nouveau001"_s};
        banc.env.plateforme().tirerToken = [&tokens] { return tokens.takeFirst(); };
        auto flow = banc.flux(Mode::transfert, {banc.creer(u"Volumes/DATA/a.jpg"_s)});
        flow->envoyer(banc.historique);
        flow->reinitialiser();
        flow->ajouter({banc.creer(u"Volumes/DATA/b.jpg"_s)});
        banc.envoyer(*flow);
        QCOMPARE(flow->etape().cas, Etape::Cas::termine);
        QCOMPARE(banc.creations(), 1);
        QCOMPARE(QJsonDocument::fromJson(banc.serveur.requetes().last().corps).object().value(u"token"_s),
                 u"nouveau001"_s);
    }

    // Closing the window mid-send: whatever the run copied and did not register goes away.
    void fermetureEnCours_data()
    {
        QTest::addColumn<Etape::Cas>("fermeeA");
        QTest::addColumn<int>("statutCreation");
        QTest::addColumn<int>("entreesAttendues");
        QTest::newRow("copie") << Etape::Cas::copie << 201 << 0;
        QTest::newRow("enregistrement refusé") << Etape::Cas::enregistrement << 500 << 0;
        QTest::newRow("enregistrement réussi") << Etape::Cas::enregistrement << 201 << 1;
    }
    void fermetureEnCours()
    {
        QFETCH(Etape::Cas, fermeeA);
        QFETCH(int, statutCreation);
        QFETCH(int, entreesAttendues);
        Banc banc;
        banc.serveur.remplacer("POST", "/api/transferts",
                               lente(ReponseScriptee::json(statutCreation, reponseCreation), 300));
        QPointer<TransferFlow> flow =
            banc.flux(Mode::transfert, {banc.creer(u"home/gros.bin"_s, QByteArray(16 * 1024 * 1024, 'g'))})
                .release();
        connect(flow, &TransferFlow::etapeChanged, flow, [&flow, fermeeA] {
            if (flow->etape().cas == fermeeA) {
                flow->deleteLater();
            }
        });
        flow->envoyer(banc.historique);
        QTRY_VERIFY(flow.isNull());
        // The copy worker ends on its own, and the run resumes without its flow.
        QThreadPool::globalInstance()->waitForDone();
        QTRY_VERIFY_WITH_TIMEOUT(banc.dossiersDeTransfert().isEmpty() == (entreesAttendues == 0), 5000);
        QTRY_COMPARE(banc.historique.transferts().size(), entreesAttendues);
        QCOMPARE(banc.dossiersDeTransfert().isEmpty(), entreesAttendues == 0);
    }
};

VALTO_INSCRIRE_TESTS(TestEnvoi)
#include "TestEnvoi.moc"
