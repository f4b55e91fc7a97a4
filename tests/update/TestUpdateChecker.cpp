#include "EnvironnementTest.h"
#include "ExecuterTests.h"
#include "OutilsFactices.h"
#include "ServeurLocal.h"
#include "update/UpdateChecker.h"

#include <QCoro/QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray manifeste(const QString& version, const QString& url, const QString& extra = {})
{
    return (u"{\"version\":\""_s + version + u"\",\"url\":\""_s + url + u'"' + extra + u'}').toUtf8();
}

QByteArray empreinteDuFlux(qint64 taille)
{
    QCryptographicHash empreinte(QCryptographicHash::Sha256);
    for (qint64 i = 0; i < taille; ++i) {
        const char octet = ReponseScriptee::octetDuFlux(i);
        empreinte.addData(QByteArrayView(&octet, 1));
    }
    return empreinte.result().toHex();
}

// A test environment whose update tools are stand-ins and whose server is the loopback one, with a
// mounted "image" that holds one bundle.
struct Banc {
    EnvironnementTest env;
    OutilsFactices outils{env};
    ServeurLocal serveur;
    int terminaisons = 0;
    QList<QUrl> ouvertes;
    QString image;

    Banc()
    {
        Plateforme& p = env.plateforme();
        p.origineServeur = serveur.origine();
        p.versionCourante = u"1.4"_s;
        p.outilsMiseAJour = outils.mac();
        p.outilsMiseAJour.bash = u"/bin/true"_s;
        p.terminer = [this] { ++terminaisons; };
        p.ouvrirURL = [this](const QUrl& url) { ouvertes.append(url); };
        env.creerFichier(u"Applications/Valto Transfer.app/Contents/Info.plist"_s);
        image = env.creerDossier(u"Volumes/Valto Transfer"_s);
        env.creerFichier(u"Volumes/Valto Transfer/Valto Transfer.app/Contents/Info.plist"_s, "2.0");
        outils.sortieAttach(OutilsFactices::plist({image}));
    }

    QString urlImage() const { return serveur.origine() + u"/images/valto-2.0.dmg"_s; }
    QString staging() const { return env.chemin(u"tmp/ch.valto.transfer.tests.update-2.0"_s); }
    void publier(const QByteArray& corps)
    {
        serveur.repondre("GET", "/releases/version.json", ReponseScriptee::json(200, corps));
    }
    void publier20(const QString& extra = {}) { publier(manifeste(u"2.0"_s, urlImage(), extra)); }
    void image20(const ReponseScriptee& reponse)
    {
        serveur.repondre("GET", "/images/valto-2.0.dmg", reponse);
    }
};

// Every state the checker goes through, as its observers see them.
struct Observateur {
    QList<Etat> etats;
    explicit Observateur(UpdateChecker& checker)
    {
        QObject::connect(&checker, &UpdateChecker::etatChanged, &checker,
                         [this, &checker] { etats.append(checker.etat()); });
    }
};

} // namespace

// The update check against the loopback server: manifest, download, staging, install when idle.
class TestUpdateChecker final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void estPlusRecente_data()
    {
        QTest::addColumn<QString>("manifeste");
        QTest::addColumn<QString>("courante");
        QTest::addColumn<bool>("attendu");
        QTest::newRow("1.10 > 1.9") << u"1.10"_s << u"1.9"_s << true;
        QTest::newRow("2.0 = 2") << u"2.0"_s << u"2"_s << false;
        QTest::newRow("1.2.0 = 1.2") << u"1.2.0"_s << u"1.2"_s << false;
        QTest::newRow("1.2b = 1.2") << u"1.2b"_s << u"1.2"_s << false;
        QTest::newRow("1.2.1 > 1.2") << u"1.2.1"_s << u"1.2"_s << true;
        QTest::newRow("1.3 < 1.4") << u"1.3"_s << u"1.4"_s << false;
        QTest::newRow("pièces vides") << u"1..2."_s << u"1.1"_s << true;
        QTest::newRow("signe plus") << u"+2"_s << u"1"_s << true;
        QTest::newRow("négatif") << u"1.-1"_s << u"1"_s << false;
        QTest::newRow("dépassement compte 0") << u"99999999999999999999"_s << u"1"_s << false;
        QTest::newRow("espace compte 0") << u" 2"_s << u"1"_s << false;
        QTest::newRow("courante absente") << u"0.1"_s << u"0"_s << true;
        QTest::newRow("égales") << u"1.4"_s << u"1.4"_s << false;
    }
    void estPlusRecente()
    {
        QFETCH(QString, manifeste);
        QFETCH(QString, courante);
        QFETCH(bool, attendu);
        QCOMPARE(UpdateChecker::estPlusRecente(manifeste, courante), attendu);
    }

    // Nothing shows, and nothing is downloaded, when the manifest is unusable or not newer.
    void verificationAbandonnee_data()
    {
        QTest::addColumn<int>("statut");
        QTest::addColumn<QByteArray>("corps");
        const QString url = u"https://x.test/v.dmg"_s;
        QTest::newRow("404") << 404 << manifeste(u"2.0"_s, url);
        QTest::newRow("HTML") << 200 << QByteArray("<html><body>Bienvenue</body></html>");
        QTest::newRow("tableau") << 200 << QByteArray("[{\"version\":\"2.0\"}]");
        QTest::newRow("sans url") << 200 << QByteArray("{\"version\":\"2.0\"}");
        QTest::newRow("version nombre")
            << 200 << QByteArray("{\"version\":2.0,\"url\":\"https://x.test/v.dmg\"}");
        QTest::newRow("sha256 nombre") << 200 << manifeste(u"2.0"_s, url, u",\"sha256\":12"_s);
        QTest::newRow("même version") << 200 << manifeste(u"1.4"_s, url);
        QTest::newRow("plus ancienne") << 200 << manifeste(u"1.3.9"_s, url);
        QTest::newRow("url invalide") << 200 << manifeste(u"2.0"_s, u"http://[::1"_s);
        QTest::newRow("url relative") << 200 << manifeste(u"2.0"_s, u"v.dmg"_s);
        QTest::newRow("version qui sort du dossier") << 200 << manifeste(u"2.5/../../x"_s, url);
    }
    void verificationAbandonnee()
    {
        QFETCH(int, statut);
        QFETCH(QByteArray, corps);
        Banc banc;
        banc.serveur.repondre("GET", "/releases/version.json", ReponseScriptee::json(statut, corps));
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QSignalSpy changements(&checker, &UpdateChecker::etatChanged);

        QCoro::waitFor(checker.verifier());

        QCOMPARE(checker.etat(), Etat::aucune());
        QCOMPARE(checker.info(), std::nullopt);
        QCOMPARE(changements.count(), 0);
        QCOMPARE(banc.serveur.nombreDeRequetes(), 1);
    }

    void tentativeRepetee()
    {
        Banc banc;
        banc.publier20();
        banc.env.preferences().ecrire(Preferences::cleUpdateAutoDerniereTentative, u"2.0"_s);
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());

        QCoro::waitFor(checker.verifier());

        QCOMPARE(checker.etat(), Etat::echec(UpdateChecker::tentativeRepetee));
        QCOMPARE(checker.info(), (VersionInfo{u"2.0"_s, banc.urlImage(), std::nullopt}));
        QCOMPARE(banc.serveur.nombreDeRequetes(), 1);
    }

    void miseAJourPrete()
    {
        Banc banc;
        banc.publier20();
        constexpr qint64 taille = 3 * UpdateChecker::tailleTampon + 5;
        banc.image20(ReponseScriptee::flux(taille));
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QSignalSpy stagee(&checker, &UpdateChecker::appStageeChanged);
        Observateur observateur(checker);

        QCoro::waitFor(checker.verifier());
        QCoreApplication::processEvents();

        QCOMPARE(checker.etat(), Etat::prete());
        QCOMPARE(checker.appStagee(), banc.staging() + u"/Valto Transfer.app"_s);
        QCOMPARE(stagee.count(), 1);
        QVERIFY(QFileInfo(*checker.appStagee() + u"/Contents/Info.plist"_s).isFile());
        QCOMPARE(QFileInfo(banc.staging() + u"/update.dmg"_s).size(), taille);
        // Late reports (the final 1.0 among them) arrive after `prete` and change nothing.
        QCOMPARE(observateur.etats.constFirst(), Etat::telechargement());
        QCOMPARE(observateur.etats.constLast(), Etat::prete());
        for (qsizetype i = 1; i + 1 < observateur.etats.size(); ++i) {
            QCOMPARE(observateur.etats.at(i).cas, Etat::Cas::telechargement);
            QVERIFY(observateur.etats.at(i).fraction.value() < 1.0);
        }
        const QList<RequeteRecue> requetes = banc.serveur.requetes();
        QCOMPARE(requetes.size(), 2);
        QCOMPARE(requetes.at(1).chemin, "/images/valto-2.0.dmg");
        QVERIFY(!requetes.at(0).aEntete("x-api-key") && !requetes.at(1).aEntete("x-api-key"));
    }

    void progression_data()
    {
        QTest::addColumn<bool>("longueurAnnoncee");
        QTest::addColumn<qint64>("taille");
        QTest::newRow("longueur annoncée") << true << 2 * UpdateChecker::tailleTampon + 100;
        QTest::newRow("sans longueur") << false << 2 * UpdateChecker::tailleTampon + 100;
        QTest::newRow("multiple exact du tampon") << true << 2 * UpdateChecker::tailleTampon;
        QTest::newRow("image vide") << true << qint64(0);
    }
    void progression()
    {
        QFETCH(bool, longueurAnnoncee);
        QFETCH(qint64, taille);
        Banc banc;
        banc.image20(ReponseScriptee::flux(taille, longueurAnnoncee ? ReponseScriptee::Forme::normale
                                                                    : ReponseScriptee::Forme::sansLongueur));
        QList<std::optional<double>> rapports;

        const auto stagee = QCoro::waitFor(UpdateChecker::telechargerEtPreparer(
            banc.env.plateforme(), {u"2.0"_s, banc.urlImage(), std::nullopt},
            [&](std::optional<double> fraction) { rapports.append(fraction); }));

        QVERIFY(stagee.has_value());
        QList<std::optional<double>> attendus;
        for (qint64 ecrits = UpdateChecker::tailleTampon; ecrits <= taille;
             ecrits += UpdateChecker::tailleTampon) {
            attendus.append(longueurAnnoncee ? std::optional<double>(double(ecrits) / double(taille))
                                             : std::nullopt);
        }
        attendus.append(1.0);
        QCOMPARE(rapports, attendus);
        QFile image(banc.staging() + u"/update.dmg"_s);
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QByteArray contenu = image.readAll();
        QCOMPARE(contenu.size(), taille);
        if (taille > 0) {
            QCOMPARE(contenu.at(taille - 1), ReponseScriptee::octetDuFlux(taille - 1));
        }
    }

    void echecs_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("message");
        QTest::newRow("403") << u"403"_s << QString(UpdateInstaller::telechargementRefuse);
        QTest::newRow("coupé en route") << u"coupe"_s << QString();
        QTest::newRow("staging impossible") << u"staging"_s << QString();
        QTest::newRow("image sans app") << u"sansApp"_s << QString(UpdateInstaller::aucuneApp);
        QTest::newRow("somme différente") << u"somme"_s << QString(UpdateInstaller::imageCorrompue);
    }
    void echecs()
    {
        QFETCH(QString, cas);
        QFETCH(QString, message);
        Banc banc;
        banc.publier20(cas == u"somme"_s ? u",\"sha256\":\"00ff\""_s : QString());
        if (cas == u"403"_s) {
            banc.image20(ReponseScriptee::json(403, "{\"detail\":\"interdit\"}"));
        } else if (cas == u"coupe"_s) {
            ReponseScriptee coupee = ReponseScriptee::flux(3'000'000, ReponseScriptee::Forme::interrompue);
            coupee.coupureApres = 1'000'000;
            banc.image20(coupee);
        } else if (cas == u"staging"_s) {
            // A file where the temporary folder should be: even root cannot create a folder inside it.
            banc.env.plateforme().dossierTemporaire = banc.env.creerFichier(u"pas-un-dossier"_s);
        } else if (cas == u"sansApp"_s) {
            QDir(banc.image + u"/Valto Transfer.app"_s).removeRecursively();
        }
        if (cas != u"403"_s && cas != u"coupe"_s) {
            banc.image20(ReponseScriptee::flux(UpdateChecker::tailleTampon + 1));
        }
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());

        QCoro::waitFor(checker.verifier());
        QCoreApplication::processEvents();

        QCOMPARE(checker.etat().cas, Etat::Cas::echec);
        QCOMPARE(checker.appStagee(), std::nullopt);
        if (message.isEmpty()) {
            QVERIFY(!checker.etat().message.isEmpty());
            QVERIFY(checker.etat().message != UpdateInstaller::telechargementRefuse);
        } else {
            QCOMPARE(checker.etat().message, message);
        }
        if (cas == u"somme"_s) {
            QVERIFY2(banc.outils.journal().isEmpty(), "a corrupt image is never mounted");
        }
    }

    // Leftovers of an earlier attempt at the same version are cleared before downloading.
    void ancienStagingEfface()
    {
        Banc banc;
        banc.publier20();
        banc.image20(ReponseScriptee::flux(1000));
        banc.env.creerFichier(u"tmp/ch.valto.transfer.tests.update-2.0/Valto Transfer.app/ancien"_s);
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QCoro::waitFor(checker.verifier());
        QCOMPARE(checker.etat(), Etat::prete());
        QVERIFY(!QFileInfo::exists(*checker.appStagee() + u"/ancien"_s));
    }

    // Closing the window mid-download: the task runs to its end without touching the gone checker.
    void checkerDetruitPendantLeTelechargement()
    {
        Banc banc;
        banc.publier20();
        banc.image20(ReponseScriptee::flux(20 * UpdateChecker::tailleTampon));
        auto checker = std::make_unique<UpdateChecker>(banc.env.preferences(), banc.env.plateforme());
        QCoro::Task<> tache = checker->verifier();
        QVERIFY(banc.serveur.attendreRequetes(2));
        checker.reset();
        QCoro::waitFor(std::move(tache));
        QCoreApplication::processEvents();
        QVERIFY(QFileInfo::exists(banc.staging() + u"/update.dmg"_s));
    }

    void sommeDeControleCorrecte()
    {
        Banc banc;
        constexpr qint64 taille = UpdateChecker::tailleTampon + 17;
        banc.publier20(u",\"sha256\":\""_s + QString::fromLatin1(empreinteDuFlux(taille).toUpper()) + u'"');
        banc.image20(ReponseScriptee::flux(taille));
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QCoro::waitFor(checker.verifier());
        QCOMPARE(checker.etat(), Etat::prete());
    }

    void installerSiInactif()
    {
        Banc banc;
        banc.publier20();
        banc.image20(ReponseScriptee::flux(1000));
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        checker.installerSiInactif(false);
        QCoro::waitFor(checker.verifier());
        QCOMPARE(checker.etat(), Etat::prete());

        checker.installerSiInactif(true);
        QVERIFY(!banc.env.preferences().contient(Preferences::cleUpdateAutoDerniereTentative));
        QVERIFY(!QFileInfo::exists(banc.staging() + u"/relance.sh"_s));

        checker.installerSiInactif(false);
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleUpdateAutoDerniereTentative).toString(),
                 u"2.0"_s);
        QVERIFY(QFileInfo(banc.staging() + u"/relance.sh"_s).isFile());
        QCOMPARE(banc.terminaisons, 1);
        checker.installerSiInactif(false);
        QCOMPARE(banc.terminaisons, 1);
    }

    void installationRefusee()
    {
        Banc banc;
        banc.publier20();
        banc.image20(ReponseScriptee::flux(1000));
        banc.env.plateforme().cheminBundle =
            u"/private/var/folders/x/T/AppTranslocation/A/d/Valto Transfer.app"_s;
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QCoro::waitFor(checker.verifier());

        checker.installerSiInactif(false);

        QCOMPARE(checker.etat(), Etat::echec(UpdateInstaller::emplacementTemporaire));
        QCOMPARE(banc.terminaisons, 0);
        // Kept, so the next launch reports the repeated attempt instead of downloading again.
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleUpdateAutoDerniereTentative).toString(),
                 u"2.0"_s);
    }

    void ouvrirEtMasquer()
    {
        Banc banc;
        UpdateChecker checker(banc.env.preferences(), banc.env.plateforme());
        QSignalSpy changements(&checker, &UpdateChecker::etatChanged);
        checker.ouvrirTelechargement();
        checker.masquer();
        QVERIFY(banc.ouvertes.isEmpty());
        QCOMPARE(changements.count(), 0);

        banc.publier20();
        banc.env.preferences().ecrire(Preferences::cleUpdateAutoDerniereTentative, u"2.0"_s);
        QCoro::waitFor(checker.verifier());
        QCOMPARE(changements.count(), 1);
        checker.ouvrirTelechargement();
        QCOMPARE(banc.ouvertes, QList<QUrl>{QUrl(banc.urlImage())});
        QCOMPARE(checker.etat(), Etat::aucune());
        QCOMPARE(changements.count(), 2);

        QCoro::waitFor(checker.verifier());
        checker.masquer();
        QCOMPARE(checker.etat(), Etat::aucune());
        QCOMPARE(changements.count(), 4);
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateChecker)
#include "TestUpdateChecker.moc"
