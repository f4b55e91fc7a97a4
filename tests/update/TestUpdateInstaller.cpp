#include "EnvironnementTest.h"
#include "ExecuterTests.h"
#include "OutilsFactices.h"
#include "update/UpdateInstaller.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace UpdateInstaller;

namespace {

QString texteErreur(const Erreur& erreur)
{
    return description(erreur);
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

// What bash makes of a double-quoted word taken from a generated script.
QString relireParBash(const QString& motEntreGuillemets)
{
    QProcess bash;
    bash.start(u"/bin/bash"_s, {u"-c"_s, u"printf %s "_s + motEntreGuillemets});
    bash.waitForFinished();
    return QString::fromUtf8(bash.readAllStandardOutput());
}

qint64 pidTermine()
{
    QProcess processus;
    processus.start(u"/bin/true"_s, QStringList());
    processus.waitForStarted();
    const qint64 pid = processus.processId();
    processus.waitForFinished();
    return pid;
}

const QString cheminHostile = u"Apps/Valto \"Pro\" $HOME `touch pirate` back\\slash 'n' !.app"_s;

} // namespace

// The installer's tool runs, mount parsing, staging and relaunch, against stand-in tools.
class TestUpdateInstaller final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void executer_data()
    {
        QTest::addColumn<QString>("corps");
        QTest::addColumn<QByteArray>("sortie");
        QTest::addColumn<QString>("erreur");
        QTest::newRow("succès") << u"printf 'a\\nb'"_s << QByteArray("a\nb") << QString();
        QTest::newRow("code 3") << u"echo partiel; echo 'détail' >&2; exit 3"_s << QByteArray()
                                << u"outil a échoué (code 3)."_s;
        // Megabytes on stderr (and stdout) must not block the tool on a full pipe.
        QTest::newRow("bavard") << u"head -c 8000000 /dev/zero >&2; head -c 3000000 /dev/zero | tr '\\0' x"_s
                                << QByteArray(3'000'000, 'x') << QString();
        QTest::newRow("tué") << u"kill -9 $$"_s << QByteArray() << u"outil a échoué"_s;
    }
    void executer()
    {
        QFETCH(QString, corps);
        QFETCH(QByteArray, sortie);
        QFETCH(QString, erreur);
        EnvironnementTest env;
        const QString outil = env.chemin(u"outil"_s);
        OutilsFactices::ecrireScript(outil, corps);
        const Resultat<QByteArray> resultat = UpdateInstaller::executer(outil, {u"x"_s});
        if (erreur.isEmpty()) {
            QVERIFY(resultat.has_value());
            QCOMPARE(*resultat, sortie);
        } else {
            QVERIFY(!resultat.has_value());
            QVERIFY(std::holds_alternative<Echec>(resultat.error()));
            QVERIFY2(texteErreur(resultat.error()).startsWith(erreur),
                     qPrintable(texteErreur(resultat.error())));
        }
    }

    void executerOutilAbsent()
    {
        const Resultat<QByteArray> resultat = UpdateInstaller::executer(u"/nulle/part/hdiutil"_s, {});
        QVERIFY(!resultat.has_value());
        QVERIFY(std::holds_alternative<ErreurSysteme>(resultat.error()));
        QVERIFY(!texteErreur(resultat.error()).isEmpty());
    }

    void monter_data()
    {
        QTest::addColumn<QByteArray>("sortie");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("attendu");
        const QString impossible = montageImpossible;
        QTest::newRow("seule la dernière montée")
            << OutilsFactices::plist({QString(), QString(), u"/Volumes/Valto Transfer"_s}) << 0
            << u"/Volumes/Valto Transfer"_s;
        QTest::newRow("la première montée")
            << OutilsFactices::plist({u"/Volumes/A"_s, u"/Volumes/B"_s}) << 0 << u"/Volumes/A"_s;
        QTest::newRow("aucun point de montage")
            << OutilsFactices::plist({QString(), QString()}) << 0 << impossible;
        QTest::newRow("aucune entité") << OutilsFactices::plist({}) << 0 << impossible;
        QTest::newRow("charabia") << QByteArray("hdiutil: attach: ok\n/dev/disk4 /Volumes/X") << 0
                                  << impossible;
        QTest::newRow("vide") << QByteArray() << 0 << impossible;
        QTest::newRow("racine tableau")
            << QByteArray("<plist><array><string>/Volumes/X</string></array></plist>") << 0 << impossible;
        QTest::newRow("entités hors dictionnaire")
            << QByteArray(
                   "<plist><dict><key>system-entities</key><array><string>x</string><dict><key>mount-point"
                   "</key><string>/Volumes/X</string></dict></array></dict></plist>")
            << 0 << impossible;
        QTest::newRow("point de montage non texte")
            << QByteArray("<plist><dict><key>system-entities</key><array><dict><key>mount-point</key>"
                          "<integer>3</integer></dict></array></dict></plist>")
            << 0 << impossible;
        QTest::newRow("plist tronquée")
            << OutilsFactices::plist({u"/Volumes/X"_s}).left(300) << 0 << impossible;
        QTest::newRow("échec de l'outil")
            << OutilsFactices::plist({u"/Volumes/X"_s}) << 1 << u"hdiutil a échoué (code 1)."_s;
    }
    void monter()
    {
        QFETCH(QByteArray, sortie);
        QFETCH(int, code);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        OutilsFactices outils(env);
        outils.sortieAttach(sortie, code);
        const Resultat<QString> point = UpdateInstaller::monter(outils.mac(), u"/tmp/x y/update.dmg"_s);
        QCOMPARE(point.has_value() ? *point : texteErreur(point.error()), attendu);
        QCOMPARE(outils.journal(),
                 QStringList{u"hdiutil attach /tmp/x y/update.dmg -nobrowse -noverify -readonly -plist"_s});
    }

    void preparer_data()
    {
        QTest::addColumn<QStringList>("contenu");
        QTest::addColumn<int>("codeCopie");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("une app") << QStringList{u"Valto Transfer.app/Contents/Info.plist"_s, u".DS_Store"_s}
                                 << 0 << u"Valto Transfer.app"_s;
        QTest::newRow("plusieurs apps")
            << QStringList{u"Zeta.app/x"_s, u"Alpha.app/x"_s, u"Beta.app/x"_s} << 0 << u"Alpha.app"_s;
        QTest::newRow("app dans un sous-dossier")
            << QStringList{u"Dossier/Valto Transfer.app/x"_s} << 0 << QString(aucuneApp);
        QTest::newRow("extension en capitales") << QStringList{u"Valto.APP/x"_s} << 0 << QString(aucuneApp);
        QTest::newRow("image vide") << QStringList() << 0 << QString(aucuneApp);
        QTest::newRow("copie en échec")
            << QStringList{u"Valto Transfer.app/x"_s} << 1 << u"ditto a échoué (code 1)."_s;
    }
    void preparer()
    {
        QFETCH(QStringList, contenu);
        QFETCH(int, codeCopie);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        OutilsFactices outils(env);
        const QString point = env.creerDossier(u"Volumes/Valto Transfer"_s);
        for (const QString& fichier : contenu) {
            env.creerFichier(u"Volumes/Valto Transfer/"_s + fichier, fichier.toUtf8());
        }
        outils.sortieAttach(OutilsFactices::plist({point}));
        outils.codeCopie(codeCopie);
        const QString staging = env.creerDossier(u"tmp/staging"_s);

        const Resultat<QString> copie =
            UpdateInstaller::preparer(outils.mac(), staging + u"/update.dmg"_s, staging);

        QCOMPARE(copie.has_value() ? QFileInfo(*copie).fileName() : texteErreur(copie.error()), attendu);
        if (copie) {
            QCOMPARE(*copie, staging + u'/' + attendu);
            QVERIFY(QFileInfo(*copie).isDir());
        }
        // Whatever happened after the mount, the image is detached last.
        QCOMPARE(outils.journal().constLast(), u"hdiutil detach "_s + point + u" -quiet"_s);
    }

    void preparerSansMontage()
    {
        EnvironnementTest env;
        OutilsFactices outils(env);
        outils.sortieAttach("garbage", 0);
        const Resultat<QString> copie =
            UpdateInstaller::preparer(outils.mac(), env.chemin(u"u.dmg"_s), env.chemin(u"tmp"_s));
        QCOMPARE(copie.error(), Erreur(Echec{montageImpossible}));
        QCOMPARE(outils.journal().size(), 1);
    }

    void preparerPointIlisible()
    {
        EnvironnementTest env;
        OutilsFactices outils(env);
        outils.sortieAttach(OutilsFactices::plist({env.chemin(u"Volumes/absent"_s)}));
        const Resultat<QString> copie =
            UpdateInstaller::preparer(outils.mac(), env.chemin(u"u.dmg"_s), env.chemin(u"tmp"_s));
        QVERIFY(!copie.has_value());
        QVERIFY(std::holds_alternative<ErreurSysteme>(copie.error()));
        QVERIFY(!texteErreur(copie.error()).isEmpty());
        QCOMPARE(outils.journal().constLast(),
                 u"hdiutil detach "_s + env.chemin(u"Volumes/absent"_s) + u" -quiet"_s);
    }

    void preparerSquashFS()
    {
        EnvironnementTest env;
        OutilsFactices outils(env);
        env.creerFichier(u"contenu/Valto Transfer.app/valto-transfer"_s, "programme");
        const QString staging = env.creerDossier(u"tmp/staging"_s);
        const QString image =
            env.creerFichier(u"tmp/staging/update.squashfs"_s, env.chemin(u"contenu"_s).toUtf8());

        const Resultat<QString> copie = UpdateInstaller::preparer(outils.squashfs(), image, staging);

        QVERIFY(copie.has_value());
        QCOMPARE(*copie, staging + u"/Valto Transfer.app"_s);
        QCOMPARE(lire(*copie + u"/valto-transfer"_s), "programme");
        const QString point = image + u".montage"_s;
        QCOMPARE(outils.journal(), (QStringList{u"squashfuse -o ro "_s + image + u' ' + point,
                                                u"cp -a "_s + point + u"/Valto Transfer.app "_s + *copie,
                                                u"fusermount -u "_s + point}));
        QVERIFY(!QFileInfo::exists(point));
    }

    void preparerSquashFSReel()
    {
        const OutilsMiseAJour outils = OutilsMiseAJour::linuxSquashFS(u"valto-transfer"_s);
        if (!QFileInfo(outils.monteur).isExecutable() || !QFileInfo(outils.demonteur).isExecutable() ||
            QStandardPaths::findExecutable(u"mksquashfs"_s).isEmpty()) {
            QSKIP("squashfuse, fusermount or mksquashfs is not installed");
        }
        QFile fuse(u"/dev/fuse"_s);
        if (!fuse.open(QIODevice::ReadWrite)) {
            QSKIP("/dev/fuse cannot be opened here (no FUSE in this container)");
        }
        fuse.close();
        EnvironnementTest env;
        env.creerFichier(u"contenu/Valto Transfer.app/valto-transfer"_s, "nouvelle version");
        env.creerFichier(u"contenu/LISEZMOI"_s, "x");
        const QString staging = env.creerDossier(u"tmp/staging"_s);
        const QString image = staging + u"/update.squashfs"_s;
        QCOMPARE(QProcess::execute(u"mksquashfs"_s,
                                   {env.chemin(u"contenu"_s), image, u"-quiet"_s, u"-no-progress"_s}),
                 0);

        const Resultat<QString> copie = UpdateInstaller::preparer(outils, image, staging);

        if (!copie && texteErreur(copie.error()).startsWith(u"squashfuse a échoué"_s)) {
            QSKIP("squashfuse cannot mount here (FUSE mounts not permitted)");
        }
        QVERIFY2(copie.has_value(), qPrintable(texteErreur(copie.error())));
        QCOMPARE(lire(*copie + u"/valto-transfer"_s), "nouvelle version");
        QVERIFY(!lire(u"/proc/self/mounts"_s).contains(QFile::encodeName(image + u".montage"_s)));
    }

    void scriptRelanceMac()
    {
        const QString script =
            scriptRelance(OutilsMiseAJour::macOS(), 4242, u"/Applications/Valto Transfer.app"_s,
                          u"/tmp/x/Valto Transfer.app"_s, u"/tmp/x"_s);
        const QByteArray attendu =
            "#!/bin/bash\n"
            "# Valto Transfer \xe2\x80\x94 relance post-mise \xc3\xa0 jour "
            "(g\xc3\xa9n\xc3\xa9r\xc3\xa9 par UpdateInstaller)\n"
            "while /bin/kill -0 4242 2>/dev/null; do /bin/sleep 0.2; done\n"
            "/bin/rm -rf \"/Applications/Valto Transfer.app\"\n"
            "/usr/bin/ditto \"/tmp/x/Valto Transfer.app\" \"/Applications/Valto Transfer.app\"\n"
            "/usr/bin/xattr -dr com.apple.quarantine \"/Applications/Valto Transfer.app\" 2>/dev/null\n"
            "/usr/bin/open \"/Applications/Valto Transfer.app\"\n"
            "/bin/rm -rf \"/tmp/x\"";
        QCOMPARE(script.toUtf8(), attendu);
    }

    void scriptRelanceCheminHostile()
    {
        const QString bundle = u"/Applications/"_s + cheminHostile;
        const QString staging = u"/tmp/$(reboot)/`id`"_s;
        const QStringList lignes =
            scriptRelance(OutilsMiseAJour::macOS(), 1, bundle, staging + u"/V.app"_s, staging).split(u'\n');
        QCOMPARE(lignes.size(), 8);
        QCOMPARE(lignes.at(3),
                 u"/bin/rm -rf \"/Applications/Apps/Valto \\\"Pro\\\" \\$HOME \\`touch pirate\\` "
                 u"back\\\\slash 'n' !.app\""_s);
        QCOMPARE(relireParBash(lignes.at(3).mid(u"/bin/rm -rf "_s.size())), bundle);
        QCOMPARE(relireParBash(lignes.at(7).mid(u"/bin/rm -rf "_s.size())), staging);
    }

    // The generated script, run by bash for real, swaps the bundles and relaunches with every path intact.
    void scriptRelanceExecute_data()
    {
        QTest::addColumn<bool>("mac");
        QTest::newRow("macOS") << true;
        QTest::newRow("Linux") << false;
    }
    void scriptRelanceExecute()
    {
        QFETCH(bool, mac);
        EnvironnementTest env;
        OutilsFactices factices(env);
        const QString bundle = env.creerDossier(cheminHostile);
        env.creerFichier(cheminHostile + u"/ancien"_s);
        const QString staging = env.creerDossier(u"tmp/ch.valto.update-2.0"_s);
        const QString stagee = staging + u"/Valto Transfer.app"_s;
        const QString temoin = env.chemin(u"relancee"_s);
        OutilsFactices::ecrireScript(
            env.creerFichier(u"tmp/ch.valto.update-2.0/Valto Transfer.app/valto-transfer"_s),
            u"printf %s \"$0\" > '"_s + temoin + u"'\n"_s);
        const OutilsMiseAJour outils =
            mac ? factices.mac() : OutilsMiseAJour::linuxSquashFS(u"valto-transfer"_s);
        const QString script = env.creerFichier(
            u"relance.sh"_s, scriptRelance(outils, pidTermine(), bundle, stagee, staging).toUtf8());

        QCOMPARE(QProcess::execute(u"/bin/bash"_s, {script}), 0);

        QVERIFY(!QFileInfo::exists(bundle + u"/ancien"_s));
        QVERIFY(QFileInfo(bundle + u"/valto-transfer"_s).isExecutable());
        QVERIFY(!QFileInfo::exists(staging));
        QVERIFY(!QFileInfo::exists(env.chemin(u"Apps/pirate"_s)));
        if (mac) {
            QCOMPARE(factices.journal(),
                     (QStringList{u"ditto "_s + stagee + u' ' + bundle,
                                  u"xattr -dr com.apple.quarantine "_s + bundle, u"open "_s + bundle}));
        } else {
            QTRY_COMPARE(lire(temoin), (bundle + u"/valto-transfer"_s).toUtf8());
        }
    }

    void installerRefuse_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<QString>("raison");
        QTest::newRow("AppTranslocation")
            << u"private/var/folders/x/T/AppTranslocation/ABC/d/Valto Transfer.app"_s
            << QString(emplacementTemporaire);
        QTest::newRow("dossier absent")
            << u"absent/Valto Transfer.app"_s << QString(emplacementNonInscriptible);
        QTest::newRow("fichier à la place du dossier")
            << u"fichier/Valto Transfer.app"_s << QString(emplacementNonInscriptible);
    }
    void installerRefuse()
    {
        QFETCH(QString, bundle);
        QFETCH(QString, raison);
        EnvironnementTest env;
        env.creerDossier(u"private/var/folders/x/T/AppTranslocation/ABC/d"_s);
        env.creerFichier(u"fichier"_s);
        OutilsFactices factices(env);
        int terminaisons = 0;
        Plateforme plateforme = env.plateforme();
        plateforme.cheminBundle = env.chemin(bundle);
        plateforme.outilsMiseAJour = factices.mac();
        plateforme.terminer = [&] { ++terminaisons; };
        const QString stagee = env.creerDossier(u"tmp/staging/Valto Transfer.app"_s);

        const Resultat<void> resultat = installerEtRelancer(plateforme, stagee);

        QCOMPARE(resultat.error(), Erreur(Echec{raison}));
        QVERIFY(!QFileInfo::exists(env.chemin(u"tmp/staging/relance.sh"_s)));
        QCOMPARE(terminaisons, 0);
    }

    void installerEtRelancerLanceLeScript()
    {
        EnvironnementTest env;
        int terminaisons = 0;
        Plateforme plateforme = env.plateforme();
        env.creerDossier(u"Applications/Valto Transfer.app"_s);
        plateforme.terminer = [&] { ++terminaisons; };
        const QString recu = env.chemin(u"recu"_s);
        plateforme.outilsMiseAJour.bash = env.chemin(u"bash"_s);
        OutilsFactices::ecrireScript(plateforme.outilsMiseAJour.bash, u"cp \"$1\" '"_s + recu + u"'\n"_s);
        const QString stagee = env.creerDossier(u"tmp/staging/Valto Transfer.app"_s);

        QVERIFY(installerEtRelancer(plateforme, stagee).has_value());

        QCOMPARE(terminaisons, 1);
        const QByteArray attendu =
            scriptRelance(plateforme.outilsMiseAJour, QCoreApplication::applicationPid(),
                          plateforme.cheminBundle, stagee, env.chemin(u"tmp/staging"_s))
                .toUtf8();
        QCOMPARE(lire(env.chemin(u"tmp/staging/relance.sh"_s)), attendu);
        QTRY_COMPARE(lire(recu), attendu);
    }

    void installerEchecsSysteme_data()
    {
        QTest::addColumn<bool>("bashAbsent");
        QTest::newRow("bash introuvable") << true;
        QTest::newRow("script impossible à écrire") << false;
    }
    void installerEchecsSysteme()
    {
        QFETCH(bool, bashAbsent);
        EnvironnementTest env;
        int terminaisons = 0;
        Plateforme plateforme = env.plateforme();
        env.creerDossier(u"Applications/Valto Transfer.app"_s);
        plateforme.terminer = [&] { ++terminaisons; };
        plateforme.outilsMiseAJour.bash = bashAbsent ? env.chemin(u"nulle/part/bash"_s) : u"/bin/true"_s;
        const QString stagee =
            bashAbsent ? env.creerDossier(u"tmp/staging/V.app"_s) : env.chemin(u"tmp/disparu/V.app"_s);

        const Resultat<void> resultat = installerEtRelancer(plateforme, stagee);

        QVERIFY(!resultat.has_value());
        QVERIFY(std::holds_alternative<ErreurSysteme>(resultat.error()));
        QVERIFY(!texteErreur(resultat.error()).isEmpty());
        QCOMPARE(terminaisons, 0);
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateInstaller)
#include "TestUpdateInstaller.moc"
