#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"
#include "update/OutilsFactices.h"
#include "update/UpdateChecker.h"

#include <QCoro/QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray manifeste(const QString& version, const QString& url, const QString& extra = {})
{
    return (u"{\"version\":\""_s + version + u"\",\"url\":\""_s + url + u'"' + extra + u'}').toUtf8();
}

QByteArray contenuDuFlux(qint64 taille)
{
    QByteArray contenu(taille, Qt::Uninitialized);
    for (qint64 i = 0; i < taille; ++i) {
        contenu[i] = ReponseScriptee::octetDuFlux(i);
    }
    return contenu;
}

// A checker with stand-in tools, the loopback server, a running 1.4 and an image that holds one bundle;
// it records every state the checker goes through.
struct Banc {
    EnvironnementTest env;
    OutilsFactices outils{env};
    ServeurLocal serveur;
    int terminaisons = 0;
    QList<QUrl> ouvertes;
    QList<Etat> etats;
    QString image = env.creerDossier(u"Volumes/Valto Transfer"_s);
    std::unique_ptr<UpdateChecker> m_checker;

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
        env.creerFichier(u"Volumes/Valto Transfer/Valto Transfer.app/Contents/Info.plist"_s, "2.0");
        outils.regler(OutilsFactices::plist({image}));
    }

    // Made at first use, so a test can adjust the platform before the checker takes its copy.
    UpdateChecker& checker()
    {
        if (!m_checker) {
            m_checker = std::make_unique<UpdateChecker>(env.preferences(), env.plateforme());
            QObject::connect(m_checker.get(), &UpdateChecker::etatChanged,
                             [this] { etats.append(m_checker->etat()); });
        }
        return *m_checker;
    }

    QString urlImage() const { return serveur.origine() + u"/images/valto-2.0.dmg"_s; }
    QString staging() const { return env.chemin(u"tmp/ch.valto.transfer.tests.update-2.0"_s); }
    void publier(const QByteArray& corps, int statut = 200)
    {
        serveur.repondre("GET", "/releases/version.json", ReponseScriptee::json(statut, corps));
    }
    void publier20(const QString& extra = {}) { publier(manifeste(u"2.0"_s, urlImage(), extra)); }
    void image20(const ReponseScriptee& reponse)
    {
        serveur.repondre("GET", "/images/valto-2.0.dmg", reponse);
    }
    // Runs a check, then lets the progress reports still queued arrive.
    void verifier()
    {
        QCoro::waitFor(checker().verifier());
        QCoreApplication::processEvents();
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
        QTest::newRow("pièces vides") << u"1..2."_s << u"1.1"_s << true;
        QTest::newRow("signe plus") << u"+2"_s << u"1"_s << true;
        QTest::newRow("négatif") << u"1.-1"_s << u"1"_s << false;
        QTest::newRow("dépassement compte 0") << u"99999999999999999999"_s << u"1"_s << false;
        QTest::newRow("espace compte 0") << u" 2"_s << u"1"_s << false;
        QTest::newRow("courante absente") << u"0.1"_s << u"0"_s << true;
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
        QTest::newRow("HTML") << 200 << "<html><body>Bienvenue</body></html>"_ba;
        QTest::newRow("sans url") << 200 << "{\"version\":\"2.0\"}"_ba;
        QTest::newRow("même version") << 200 << manifeste(u"1.4"_s, url);
        QTest::newRow("url invalide") << 200 << manifeste(u"2.0"_s, u"http://[::1"_s);
        QTest::newRow("version qui sort du dossier") << 200 << manifeste(u"2.5/../../x"_s, url);
    }
    void verificationAbandonnee()
    {
        QFETCH(int, statut);
        QFETCH(QByteArray, corps);
        Banc banc;
        banc.publier(corps, statut);
        banc.verifier();
        QCOMPARE(banc.checker().info(), std::nullopt);
        QCOMPARE(banc.etats, QList<Etat>());
        QCOMPARE(banc.serveur.nombreDeRequetes(), 1);
    }

    void progression_data()
    {
        QTest::addColumn<bool>("longueurAnnoncee");
        QTest::addColumn<qint64>("taille");
        QTest::newRow("longueur annoncée") << true << 2 * UpdateChecker::tailleTampon + 100;
        QTest::newRow("sans longueur") << false << 2 * UpdateChecker::tailleTampon + 100;
        QTest::newRow("multiple exact du tampon") << true << 2 * UpdateChecker::tailleTampon;
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
            attendus.append(longueurAnnoncee ? std::optional(double(ecrits) / double(taille)) : std::nullopt);
        }
        attendus.append(1.0);
        QCOMPARE(rapports, attendus);
        QFile image(banc.staging() + u"/update.dmg"_s);
        QVERIFY(image.open(QIODevice::ReadOnly));
        QCOMPARE(image.readAll(), contenuDuFlux(taille));
    }

    // An empty message stands for a platform failure, shown with the platform's own text.
    void echecs_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("message");
        QTest::newRow("403") << u"403"_s << UpdateInstaller::telechargementRefuse;
        QTest::newRow("coupé en route") << u"coupe"_s << QString();
        QTest::newRow("staging impossible") << u"staging"_s << QString();
        QTest::newRow("somme différente") << u"somme"_s << UpdateInstaller::imageCorrompue;
    }
    void echecs()
    {
        QFETCH(QString, cas);
        QFETCH(QString, message);
        Banc banc;
        banc.publier20(cas == u"somme"_s ? u",\"sha256\":\"00ff\""_s : QString());
        ReponseScriptee image = ReponseScriptee::flux(UpdateChecker::tailleTampon + 1);
        if (cas == u"403"_s) {
            image = ReponseScriptee::json(403, "{\"detail\":\"interdit\"}");
        } else if (cas == u"coupe"_s) {
            image = ReponseScriptee::flux(3'000'000, ReponseScriptee::Forme::interrompue);
            image.coupureApres = 1'000'000;
        } else if (cas == u"staging"_s) {
            // A file where the temporary folder should be: even root cannot create a folder inside it.
            banc.env.plateforme().dossierTemporaire = banc.env.creerFichier(u"pas-un-dossier"_s);
        }
        banc.image20(image);

        banc.verifier();

        const Etat etat = banc.checker().etat();
        QCOMPARE(etat.cas, Etat::Cas::echec);
        QCOMPARE(banc.checker().appStagee(), std::nullopt);
        if (message.isEmpty()) {
            QVERIFY(!etat.message.isEmpty() && etat.message != UpdateInstaller::telechargementRefuse);
        } else {
            QCOMPARE(etat.message, message);
        }
        QVERIFY2(banc.outils.journal().isEmpty(), "a failed or corrupt download is never mounted");
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

    // The whole way: leftovers of an earlier attempt cleared, an upper-case checksum accepted, late
    // progress reports (the final 1.0 among them) ignored once `prete`; then no install while busy.
    void miseAJourPuisInstallation_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<QString>("echec");
        QTest::newRow("installée") << QString() << QString();
        QTest::newRow("emplacement temporaire") << u"/private/var/folders/x/T/AppTranslocation/A/d/V.app"_s
                                                << UpdateInstaller::emplacementTemporaire;
    }
    void miseAJourPuisInstallation()
    {
        QFETCH(QString, bundle);
        QFETCH(QString, echec);
        Banc banc;
        constexpr qint64 taille = 3 * UpdateChecker::tailleTampon + 5;
        const QByteArray somme = QCryptographicHash::hash(contenuDuFlux(taille), QCryptographicHash::Sha256);
        banc.publier20(u",\"sha256\":\""_s + QString::fromLatin1(somme.toHex().toUpper()) + u'"');
        banc.image20(ReponseScriptee::flux(taille));
        banc.env.creerFichier(u"tmp/ch.valto.transfer.tests.update-2.0/Valto Transfer.app/ancien"_s);
        if (!bundle.isEmpty()) {
            banc.env.plateforme().cheminBundle = bundle;
        }
        banc.checker().installerSiInactif(false);
        banc.verifier();

        QCOMPARE(banc.checker().appStagee(), banc.staging() + u"/Valto Transfer.app"_s);
        QVERIFY(QFileInfo(*banc.checker().appStagee() + u"/Contents/Info.plist"_s).isFile());
        QVERIFY(!QFileInfo::exists(*banc.checker().appStagee() + u"/ancien"_s));
        QCOMPARE(QFileInfo(banc.staging() + u"/update.dmg"_s).size(), taille);
        QCOMPARE(banc.etats.constFirst(), Etat::telechargement());
        QCOMPARE(banc.etats.constLast(), Etat::prete());
        const QList<RequeteRecue> requetes = banc.serveur.requetes();
        QCOMPARE(requetes.size(), 2);
        QCOMPARE(requetes.at(1).chemin, "/images/valto-2.0.dmg");
        QVERIFY(!requetes.at(0).aEntete("x-api-key") && !requetes.at(1).aEntete("x-api-key"));

        banc.checker().installerSiInactif(true);
        QVERIFY(!banc.env.preferences().contient(Preferences::cleUpdateAutoDerniereTentative));
        banc.checker().installerSiInactif(false);
        banc.checker().installerSiInactif(false);
        // Kept on failure too, so the next launch reports the repeated attempt instead of downloading again.
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleUpdateAutoDerniereTentative).toString(),
                 u"2.0"_s);
        QCOMPARE(banc.checker().etat(), echec.isEmpty() ? Etat::prete() : Etat::echec(echec));
        QCOMPARE(QFileInfo::exists(banc.staging() + u"/relance.sh"_s), echec.isEmpty());
        QCOMPARE(banc.terminaisons, echec.isEmpty() ? 1 : 0);
    }

    void tentativeRepeteeOuvrirEtMasquer()
    {
        Banc banc;
        banc.checker().ouvrirTelechargement();
        banc.checker().masquer();
        QVERIFY(banc.ouvertes.isEmpty());
        QCOMPARE(banc.etats.size(), 0);

        // A checksum that is not a string is ignored, like any other unknown member.
        banc.publier20(u",\"sha256\":12"_s);
        banc.env.preferences().ecrire(Preferences::cleUpdateAutoDerniereTentative, u"2.0"_s);
        banc.verifier();
        QCOMPARE(banc.etats, QList<Etat>{Etat::echec(UpdateChecker::tentativeRepetee)});
        QCOMPARE(banc.checker().info(), (VersionInfo{u"2.0"_s, banc.urlImage(), std::nullopt}));
        QCOMPARE(banc.serveur.nombreDeRequetes(), 1);
        banc.checker().ouvrirTelechargement();
        QCOMPARE(banc.ouvertes, QList<QUrl>{QUrl(banc.urlImage())});
        QCOMPARE(banc.checker().etat(), Etat::aucune());

        banc.verifier();
        banc.checker().masquer();
        QCOMPARE(banc.checker().etat(), Etat::aucune());
        QCOMPARE(banc.etats.size(), 4);
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateChecker)
#include "TestUpdateChecker.moc"
