#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "support/ServeurLocal.h"
#include "update/OutilsFactices.h"
#include "update/UpdateChecker.h"

#include <QCoro/QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray manifeste(const QString& version, const QString& url, const QString& extra = {})
{
    return (u"{\"version\":\""_s + version + u"\",\"url\":\""_s + url + u'"' + extra + u'}').toUtf8();
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
    std::unique_ptr<UpdateChecker> m_checker;

    Banc()
    {
        Plateforme& p = env.plateforme();
        p.origineServeur = serveur.origine();
        p.versionCourante = u"1.4"_s;
        p.outilsMiseAJour = outils.mac();
        p.outilsMiseAJour.bash = u"/bin/true"_s;
        p.terminer = [this] { ++terminaisons; };
        p.ouvrirURL = [this](const QUrl& url) {
            ouvertes.append(url);
            return true;
        };
        env.creerFichier(u"Applications/Valto Transfer.app/Contents/Info.plist"_s);
        env.creerFichier(u"Volumes/Image/Valto Transfer.app/Contents/Info.plist"_s, "2.0");
        outils.regler(OutilsFactices::plist({env.chemin(u"Volumes/Image"_s)}));
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
    // The one folder this run staged in, made fresh under a random suffix.
    QString staging() const
    {
        const QStringList noms =
            QDir(env.chemin(u"tmp"_s))
                .entryList({u"ch.valto.transfer.tests.update-2.0-*"_s}, QDir::Dirs | QDir::NoSymLinks);
        return noms.size() == 1 ? env.chemin(u"tmp/"_s + noms.first()) : QString();
    }
    void publier(const QByteArray& corps, const ReponseScriptee& image = ReponseScriptee::flux(10))
    {
        serveur.repondre("GET", "/releases/version.json", ReponseScriptee::json(200, corps));
        serveur.repondre("GET", "/images/valto-2.0.dmg", image);
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
        QTest::newRow("1.2.0 = 1.2") << u"1.2.0"_s << u"1.2"_s << false;
        QTest::newRow("1.2b = 1.2, pièces vides") << u"1..2b."_s << u"1.0.2"_s << false;
        QTest::newRow("signes") << u"1.+2"_s << u"1.-1"_s << true;
        QTest::newRow("espace compte 0") << u"1. 3"_s << u"1.2"_s << false;
    }
    void estPlusRecente()
    {
        QFETCH(QString, manifeste);
        QFETCH(QString, courante);
        QTEST(UpdateChecker::estPlusRecente(manifeste, courante), "attendu");
    }

    // Nothing shows, and nothing is downloaded, when the manifest is unusable or not newer.
    void verificationAbandonnee_data()
    {
        QTest::addColumn<QByteArray>("corps");
        const QString url = u"https://x.test/v.dmg"_s;
        QTest::newRow("HTML") << "<html><body>Bienvenue</body></html>"_ba;
        QTest::newRow("même version") << manifeste(u"1.4"_s, url);
        QTest::newRow("url invalide") << manifeste(u"2.0"_s, u"http://[::1"_s);
        QTest::newRow("version qui sort du dossier") << manifeste(u"2.5/../../x"_s, url);
        // Valid, but past the ceiling: never read.
        QTest::newRow("trop volumineux")
            << manifeste(u"2.0"_s, url, u",\"notes\":\""_s + QString(2 * 1024 * 1024, u'n') + u'"');
    }
    void verificationAbandonnee()
    {
        QFETCH(QByteArray, corps);
        Banc banc;
        banc.publier(corps);
        banc.verifier();
        QVERIFY(!banc.checker().info() && banc.etats.isEmpty() && banc.serveur.requetes().size() == 1);
    }

    // Failures show in the banner; nothing is ever mounted.
    void echecs_data()
    {
        QTest::addColumn<QString>("membreSomme");
        QTest::addColumn<ReponseScriptee>("image");
        QTest::addColumn<QString>("message");
        QTest::newRow("403") << QString() << ReponseScriptee::json(403, "{}")
                             << UpdateInstaller::telechargementRefuse;
        QTest::newRow("somme différente")
            << u",\"sha256\":\"00ff\""_s << ReponseScriptee::flux(10) << UpdateInstaller::imageCorrompue;
        // Cut short, it would look whole (Qt takes a chunked answer cut short for a whole one too).
        QTest::newRow("ni longueur ni somme")
            << QString() << ReponseScriptee::flux(10, ReponseScriptee::Forme::sansLongueur)
            << UpdateInstaller::tailleNonAnnoncee;
    }
    void echecs()
    {
        QFETCH(QString, membreSomme);
        QFETCH(ReponseScriptee, image);
        QFETCH(QString, message);
        Banc banc;
        banc.publier(manifeste(u"2.0"_s, banc.urlImage(), membreSomme), image);
        banc.verifier();
        QCOMPARE(banc.checker().etat(), Etat::echec(message));
        QVERIFY(!banc.checker().appStagee() && banc.outils.journal().isEmpty());
    }

    // Closing the window mid-download: the task runs to its end without touching the gone checker.
    void checkerDetruitPendantLeTelechargement()
    {
        Banc banc;
        banc.publier(manifeste(u"2.0"_s, banc.urlImage()),
                     ReponseScriptee::flux(20 * UpdateChecker::tailleTampon));
        QCoro::Task<> tache = banc.checker().verifier();
        QTRY_VERIFY(banc.serveur.requetes().size() >= 2);
        banc.m_checker.reset();
        QCoro::waitFor(std::move(tache));
        QCoreApplication::processEvents();
        QVERIFY(QFileInfo::exists(banc.staging() + u"/update.dmg"_s));
    }

    // The whole way: leftovers of an earlier attempt cleared, an upper-case checksum accepted, no key
    // sent; then no install while busy, and one attempt only.
    void miseAJourPuisInstallation()
    {
        Banc banc;
        const QString somme = QString::fromLatin1(
            QCryptographicHash::hash("abcdefghij", QCryptographicHash::Sha256).toHex().toUpper());
        banc.publier(manifeste(u"2.0"_s, banc.urlImage(), u",\"sha256\":\"%1\""_s.arg(somme)));
        banc.env.creerFichier(u"tmp/ch.valto.transfer.tests.update-2.0-AbC123/Valto Transfer.app/ancien"_s);
        // Links another user could plant at the names a staging folder has or had.
        const QString autrui = QFileInfo(banc.env.creerFichier(u"autrui/precieux"_s)).path();
        for (const QString& nom : {u"update-2.0"_s, u"update-2.0-Piege1"_s}) {
            QVERIFY(QFile::link(autrui, banc.env.chemin(u"tmp/ch.valto.transfer.tests."_s + nom)));
        }
        banc.checker().installerSiInactif(false);
        banc.verifier();
        QCOMPARE(lireArbre(*banc.checker().appStagee()),
                 Arbre({{u"Contents/"_s, {}}, {u"Contents/Info.plist"_s, "2.0"}}));
        QCOMPARE(QFileInfo(*banc.checker().appStagee()).path(), banc.staging());
        QCOMPARE(QFileInfo(banc.staging()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
        QCOMPARE(lireArbre(autrui), Arbre({{u"precieux"_s, {}}}));
        QVERIFY(banc.etats.constFirst() == Etat::telechargement() && banc.etats.constLast() == Etat::prete());
        QVERIFY(std::ranges::none_of(banc.serveur.requetes(),
                                     [](const RequeteRecue& r) { return r.entetes.contains("x-api-key"); }));

        banc.checker().installerSiInactif(true);
        QVERIFY(!banc.env.preferences().contient(Preferences::cleUpdateAutoDerniereTentative));
        banc.checker().installerSiInactif(false);
        banc.checker().installerSiInactif(false);
        QCOMPARE(banc.env.preferences().valeur(Preferences::cleUpdateAutoDerniereTentative), u"2.0"_s);
        QVERIFY(banc.checker().etat() == Etat::prete() && banc.terminaisons == 1);
    }

    void tentativeRepeteeOuvrirEtMasquer()
    {
        Banc banc;
        // A checksum that is not a string is ignored, like any other unknown member.
        banc.publier(manifeste(u"2.0"_s, banc.urlImage(), u",\"sha256\":12"_s));
        banc.env.preferences().ecrire(Preferences::cleUpdateAutoDerniereTentative, u"2.0"_s);
        banc.verifier();
        QCOMPARE(banc.etats, QList<Etat>{Etat::echec(UpdateChecker::tentativeRepetee)});
        QCOMPARE(banc.checker().info(), (VersionInfo{u"2.0"_s, banc.urlImage(), std::nullopt}));
        QCOMPARE(banc.serveur.requetes().size(), 1);
        banc.checker().ouvrirTelechargement();
        QCOMPARE(banc.ouvertes, QList<QUrl>{QUrl(banc.urlImage())});
        QCOMPARE(banc.checker().etat(), Etat::aucune());
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateChecker)
#include "TestUpdateChecker.moc"
