#include "EnvironnementTest.h"
#include "ExecuterTests.h"
#include "ServeurLocal.h"
#include "core/HistoryStore.h"
#include "flow/TransferFlow.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray reponseCreation =
    "{\"token\":\"tok4567890\",\"titre\":\"Photos\",\"url\":\"https://t.example/tok4567890\","
    "\"protege\":false,\"cree_le\":\"2026-12-04T09:30:00Z\",\"expire_le\":null,"
    "\"nb_telechargements\":0,\"nb_fichiers\":2,\"octets\":1234}";

// A NAS mount root with the share DATA and its copies folder, a home folder outside the NAS,
// and the loopback server playing the transfer server.
struct Banc {
    EnvironnementTest env;
    ServeurLocal serveur;
    QString copies;

    Banc()
    {
        copies = env.creerDossier(u"Volumes/DATA/Valto Transferts"_s);
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, u"cle-test"_s);
        env.preferences().ecrire(Preferences::cleNasMountPath, copies);
        serveur.repondre("GET", "/api/partages", ReponseScriptee::json(200, "{\"partages\":[\"DATA\"]}"));
        serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, reponseCreation));
    }

    QString maison(const QString& relatif, const QByteArray& contenu)
    {
        return env.creerFichier(u"home/"_s + relatif, contenu);
    }
    QString surNAS(const QString& relatif, const QByteArray& contenu)
    {
        return env.creerFichier(u"Volumes/"_s + relatif, contenu);
    }

    std::optional<RequeteRecue> creation() const
    {
        for (const RequeteRecue& r : serveur.requetes()) {
            if (r.methode == "POST") {
                return r;
            }
        }
        return std::nullopt;
    }
    QJsonObject corpsCreation() const { return QJsonDocument::fromJson(creation()->corps).object(); }
    QStringList dossiersDeTransfert() const
    {
        return QDir(copies).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

void attendreFin(TransferFlow& flow)
{
    QTRY_VERIFY_WITH_TIMEOUT(
        flow.etape().cas == Etape::Cas::termine || flow.etape().cas == Etape::Cas::erreur, 15000);
}

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<illisible>");
}

} // namespace

class TestEnvoi final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transfertMixte()
    {
        Banc banc;
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        const QString local = banc.maison(u"Bureau/photo.jpg"_s, QByteArray(3 * 1024 * 1024 + 5, 'p'));
        const QString dossier = banc.maison(u"Export/a.txt"_s, "a").section(u'/', 0, -2);
        banc.maison(u"Export/sous/.cache"_s, "cache");
        banc.maison(u"Export/.DS_Store"_s, "ds");
        const QString nas = banc.surNAS(u"DATA/Clients/2024/plan.pdf"_s, "pdf");

        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        QSignalSpy etapes(&flow, &TransferFlow::etapeChanged);
        QSignalSpy progression(&flow, &TransferFlow::octetsCopiesChanged);
        flow.ajouter({local, nas, dossier});
        flow.setTitre(u"\u00A0 Photos du jour\t "_s);
        flow.setMotDePasse(u"secret"_s);
        flow.setExpirationJours(30);
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(flow.etape().cas, Etape::Cas::termine);

        const QJsonObject corps = banc.corpsCreation();
        const QString token = corps.value(u"token"_s).toString();
        QCOMPARE(token.size(), 10);
        QCOMPARE(corps.value(u"titre"_s).toString(), u"Photos du jour"_s);
        QCOMPARE(corps.value(u"expediteur"_s).toString(), u"Camille Test"_s);
        QCOMPARE(corps.value(u"expire_jours"_s).toInteger(), 30);
        QCOMPARE(corps.value(u"mot_de_passe"_s).toString(), u"secret"_s);
        QCOMPARE(corps.value(u"fichiers"_s).toArray(), QJsonArray{u"DATA/Clients/2024/plan.pdf"_s});
        QCOMPARE(corps.value(u"type"_s).toString(), u"transfert"_s);
        QVERIFY(!corps.contains(u"ordre"_s));
        QVERIFY(banc.creation()->corps.startsWith("{\"token\":\""));

        const QString dossierTransfert = banc.copies + u'/' + token;
        QCOMPARE(lire(dossierTransfert + u"/photo.jpg"_s), lire(local));
        QCOMPARE(lire(dossierTransfert + u"/Export/sous/.cache"_s), "cache");
        QVERIFY(!QFile::exists(dossierTransfert + u"/Export/.DS_Store"_s));
        QVERIFY(!QFile::exists(dossierTransfert + u"/plan.pdf"_s));

        QCOMPARE(QGuiApplication::clipboard()->text(), u"https://t.example/tok4567890"_s);
        QCOMPARE(historique.transferts().size(), 1);
        const Transfert entree = historique.transferts().first();
        QCOMPARE(entree, flow.etape().transfert);
        QCOMPARE(entree.motDePasse, std::optional<QString>(u"secret"_s));
        QCOMPARE(entree.type, std::optional<QString>(u"transfert"_s));

        QCOMPARE(flow.octetsACopier(), 3 * 1024 * 1024 + 5 + 1 + 5 + 2);
        QCOMPARE(flow.octetsCopies(), 3 * 1024 * 1024 + 5 + 1 + 5);
        // One report per 1 MiB chunk at most: 4 for the photo, one per small file.
        QVERIFY2(progression.count() <= 6, qPrintable(QString::number(progression.count())));
        QCOMPARE(etapes.count(), 4); // options, copie, enregistrement, termine
    }

    void toutSurLeNAS()
    {
        Banc banc;
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.surNAS(u"DATA/a.jpg"_s, "a"), banc.surNAS(u"DATA/Projet/b.jpg"_s, "b")});
        QList<Etape::Cas> vues;
        connect(&flow, &TransferFlow::etapeChanged, this, [&] { vues.append(flow.etape().cas); });
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(vues, (QList<Etape::Cas>{Etape::Cas::enregistrement, Etape::Cas::termine}));
        QCOMPARE(banc.corpsCreation().value(u"fichiers"_s).toArray(),
                 (QJsonArray{u"DATA/a.jpg"_s, u"DATA/Projet/b.jpg"_s}));
        QVERIFY(!banc.corpsCreation().contains(u"mot_de_passe"_s));
        QVERIFY(banc.dossiersDeTransfert().isEmpty());
        QCOMPARE(historique.transferts().first().motDePasse, std::nullopt);
    }

    void comparaison()
    {
        Banc banc;
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::compare, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.maison(u"avant.jpg"_s, "1"), banc.maison(u"après.PNG"_s, "2")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(flow.etape().cas, Etape::Cas::termine);
        const QJsonObject corps = banc.corpsCreation();
        QCOMPARE(corps.value(u"type"_s).toString(), u"compare"_s);
        QCOMPARE(corps.value(u"ordre"_s).toArray(), (QJsonArray{u"avant.jpg"_s, u"après.PNG"_s}));
        QCOMPARE(corps.value(u"fichiers"_s).toArray(), QJsonArray());
        QCOMPARE(corps.value(u"titre"_s).toString(), u"avant vs après"_s);
        // The server's answer names no type: the mode's word is kept.
        QCOMPARE(historique.transferts().first().type, std::optional<QString>(u"compare"_s));
        QCOMPARE(banc.dossiersDeTransfert().size(), 1);
    }

    void partagesMemorisesSiLeServeurEchoue()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages", ReponseScriptee::json(500, "{}"));
        banc.env.preferences().ecrire(Preferences::clePartagesConnus, QStringList{u"PROJETS"_s});
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.surNAS(u"PROJETS/x.jpg"_s, "x"), banc.surNAS(u"DATA/y.jpg"_s, "y")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(banc.corpsCreation().value(u"fichiers"_s).toArray(), QJsonArray{u"PROJETS/x.jpg"_s});
        QCOMPARE(banc.env.preferences().valeur(Preferences::clePartagesConnus).toStringList(),
                 QStringList{u"PROJETS"_s});
    }

    void partagesDuServeurMemorises()
    {
        Banc banc;
        banc.serveur.remplacer("GET", "/api/partages",
                               ReponseScriptee::json(200, "{\"partages\":[\"ARCHIVES\"]}"));
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.surNAS(u"ARCHIVES/x.jpg"_s, "x")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(banc.corpsCreation().value(u"fichiers"_s).toArray(), QJsonArray{u"ARCHIVES/x.jpg"_s});
        QCOMPARE(banc.env.preferences().valeur(Preferences::clePartagesConnus).toStringList(),
                 QStringList{u"ARCHIVES"_s});
    }

    // Every failure ends in `erreur` with its text; the run's own folder is removed, and nothing else.
    void echecs_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("message"); // exact text, or the start of a platform text
        QTest::addColumn<bool>("messageExact");
        QTest::addColumn<bool>("creationEnvoyee");
        QTest::newRow("statut 200 au lieu de 201")
            << u"statut200"_s << u"Serveur : erreur 200. "_s << true << true;
        QTest::newRow("conflit avec détail")
            << u"conflit"_s << u"Serveur : erreur 409. Token déjà utilisé"_s << true << true;
        QTest::newRow("clé API manquante")
            << u"sansCle"_s << u"Clé API manquante — renseigne-la dans Réglages (⌘,)."_s << true << false;
        QTest::newRow("réponse illisible")
            << u"illisible"_s << u"Réponse du serveur illisible"_s << false << true;
        QTest::newRow("serveur qui raccroche") << u"raccroche"_s << QString() << false << true;
        QTest::newRow("fichier disparu pendant la copie") << u"lienCasse"_s << QString() << false << false;
    }
    void echecs()
    {
        QFETCH(QString, cas);
        QFETCH(QString, message);
        QFETCH(bool, messageExact);
        QFETCH(bool, creationEnvoyee);
        Banc banc;
        const QString autre =
            banc.env.creerFichier(u"Volumes/DATA/Valto Transferts/autre-transfert/garde.txt"_s, "g");
        const QString photo = banc.maison(u"photo.jpg"_s, "photo");
        const QString dossier = banc.maison(u"Projet/a.txt"_s, "a").section(u'/', 0, -2);
        if (cas == u"statut200") {
            banc.serveur.remplacer("POST", "/api/transferts", ReponseScriptee::json(200, reponseCreation));
        } else if (cas == u"conflit") {
            banc.serveur.remplacer("POST", "/api/transferts",
                                   ReponseScriptee::json(409, "{\"detail\":\"Token déjà utilisé\"}"));
        } else if (cas == u"sansCle") {
            banc.env.preferences().ecrire(Preferences::cleApiKey, QString());
        } else if (cas == u"illisible") {
            banc.serveur.remplacer("POST", "/api/transferts",
                                   ReponseScriptee::json(201, "{\"token\":\"x\"}"));
        } else if (cas == u"raccroche") {
            ReponseScriptee coupee;
            coupee.forme = ReponseScriptee::Forme::coupee;
            banc.serveur.remplacer("POST", "/api/transferts", coupee);
        } else if (cas == u"lienCasse") {
            QVERIFY(QFile::link(banc.env.chemin(u"nulle-part"_s), dossier + u"/z-disparu.txt"_s));
        }
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        QGuiApplication::clipboard()->setText(u"avant"_s);
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({photo, dossier});
        flow.setMotDePasse(u"pw"_s);
        flow.envoyer(historique);
        attendreFin(flow);

        QCOMPARE(flow.etape().cas, Etape::Cas::erreur);
        const QString recu = flow.etape().message;
        QVERIFY2(!recu.isEmpty(), "message vide");
        if (messageExact) {
            QCOMPARE(recu, message);
        } else {
            QVERIFY2(recu.startsWith(message), qPrintable(recu));
        }
        QCOMPARE(banc.creation().has_value(), creationEnvoyee);
        QCOMPARE(banc.dossiersDeTransfert(), QStringList{u"autre-transfert"_s});
        QCOMPARE(lire(autre), "g");
        QVERIFY(historique.transferts().isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"avant"_s);
        // The choices stay until the user starts again.
        QCOMPARE(flow.urls(), (QStringList{photo, dossier}));
        QCOMPARE(flow.motDePasse(), u"pw"_s);
    }

    void dossierDesCopiesAbsent()
    {
        Banc banc;
        const QString absent = banc.env.chemin(u"Volumes/DATA/Ailleurs"_s);
        banc.env.preferences().ecrire(Preferences::cleNasMountPath, absent);
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.maison(u"a.jpg"_s, "a")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(
            flow.etape(),
            Etape::erreur(
                u"Des fichiers hors NAS doivent être copiés, mais le dossier des copies est introuvable ("_s +
                absent + u"). Connecte le partage DATA dans le Finder, puis réessaie."_s));
        QVERIFY(!QFile::exists(absent));
        QVERIFY(!banc.creation());
    }

    void dossierDesCopiesEstUnFichier()
    {
        Banc banc;
        const QString fichier = banc.env.creerFichier(u"Volumes/DATA/copies.txt"_s, "pas un dossier");
        banc.env.preferences().ecrire(Preferences::cleNasMountPath, fichier);
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.maison(u"a.jpg"_s, "a")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(flow.etape().cas, Etape::Cas::erreur);
        QCOMPARE(lire(fichier), "pas un dossier");
    }

    void secondAppuiIgnore()
    {
        Banc banc;
        ReponseScriptee lente = ReponseScriptee::json(200, "{\"partages\":[\"DATA\"]}");
        lente.delaiMs = 200;
        banc.serveur.remplacer("GET", "/api/partages", lente);
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow.ajouter({banc.surNAS(u"DATA/a.jpg"_s, "a")});
        flow.envoyer(historique);
        flow.envoyer(historique);
        attendreFin(flow);
        int creations = 0;
        for (const RequeteRecue& r : banc.serveur.requetes()) {
            creations += r.methode == "POST" ? 1 : 0;
        }
        QCOMPARE(creations, 1);
        QCOMPARE(historique.transferts().size(), 1);
        // A finished run lets the next transfer go.
        flow.reinitialiser();
        flow.ajouter({banc.surNAS(u"DATA/b.jpg"_s, "b")});
        flow.envoyer(historique);
        attendreFin(flow);
        QCOMPARE(historique.transferts().size(), 2);
    }

    void envoiImpossibleHorsOptions()
    {
        Banc banc;
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow transfert(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        transfert.envoyer(historique);
        TransferFlow compare(Mode::compare, banc.env.preferences(), banc.env.plateforme());
        compare.ajouter({banc.maison(u"seul.jpg"_s, "1")});
        compare.envoyer(historique);
        QVERIFY(!transfert.envoiEnCours());
        QVERIFY(!compare.envoiEnCours());
        QCOMPARE(compare.etape(), Etape::options());
    }

    void annuleePendantLaDemandeDesPartages()
    {
        Banc banc;
        ReponseScriptee lente = ReponseScriptee::json(200, "{\"partages\":[\"DATA\"]}");
        lente.delaiMs = 200;
        banc.serveur.remplacer("GET", "/api/partages", lente);
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        TransferFlow flow(Mode::compare, banc.env.preferences(), banc.env.plateforme());
        const QString a = banc.maison(u"a.jpg"_s, "1");
        flow.ajouter({a, banc.maison(u"b.jpg"_s, "2")});
        flow.envoyer(historique);
        flow.retirer(a);
        QTRY_VERIFY(!flow.envoiEnCours());
        QCOMPARE(flow.etape(), Etape::options());
        QVERIFY(!banc.creation());
        QVERIFY(banc.dossiersDeTransfert().isEmpty());
    }

    void fermetureEnCoursDeCopie()
    {
        Banc banc;
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        constexpr qint64 taille = 48 * 1024 * 1024;
        QPointer<TransferFlow> flow =
            new TransferFlow(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow->ajouter({banc.maison(u"gros.bin"_s, QByteArray(taille, 'g'))});
        // Closed as soon as the copy starts, while the worker is still writing.
        connect(flow, &TransferFlow::etapeChanged, flow, [&flow] {
            if (flow->etape().cas == Etape::Cas::copie) {
                flow->deleteLater();
            }
        });
        flow->envoyer(historique);
        QTRY_VERIFY(flow.isNull());
        // The worker finishes on its own; its late progress reports must find no flow to touch.
        QTRY_COMPARE_WITH_TIMEOUT(banc.dossiersDeTransfert().size(), 1, 10000);
        const QString copie = banc.copies + u'/' + banc.dossiersDeTransfert().first() + u"/gros.bin"_s;
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(copie).size(), taille, 10000);
        QTest::qWait(100);
        QVERIFY(!banc.creation());
        QVERIFY(historique.transferts().isEmpty());
    }

    void fermetureEnCoursDEnregistrement()
    {
        Banc banc;
        ReponseScriptee lente = ReponseScriptee::json(201, reponseCreation);
        lente.delaiMs = 300;
        banc.serveur.remplacer("POST", "/api/transferts", lente);
        HistoryStore historique(banc.env.preferences(), banc.env.plateforme());
        auto flow =
            std::make_unique<TransferFlow>(Mode::transfert, banc.env.preferences(), banc.env.plateforme());
        flow->ajouter({banc.surNAS(u"DATA/a.jpg"_s, "a")});
        flow->envoyer(historique);
        QVERIFY(banc.serveur.attendreRequetes(2));
        flow.reset();
        // The server has the transfer: the history still records it, though no window shows it.
        QTRY_COMPARE(historique.transferts().size(), 1);
    }
};

VALTO_INSCRIRE_TESTS(TestEnvoi)
#include "TestEnvoi.moc"
