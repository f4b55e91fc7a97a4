#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "update/OutilsFactices.h"
#include "update/UpdateInstaller.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace UpdateInstaller;

namespace {

const QString systeme = u"[erreur système]"_s;

// A result as one text: the value (for a path), the failure's own message, or `systeme` for a platform error.
template <typename T> QString issue(const Resultat<T, Erreur>& resultat)
{
    if (resultat) {
        if constexpr (std::is_same_v<T, QString>) {
            return *resultat;
        }
        return {};
    }
    if (const auto* echec = std::get_if<Echec>(&resultat.error())) {
        return echec->raison;
    }
    return description(resultat.error()).isEmpty() ? u"[erreur système sans texte]"_s : systeme;
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

const QString nomHostile = u"Valto \"Pro\" $HOME `touch pirate` back\\slash 'n' !.app"_s;
const QByteArray debutScript = "#!/bin/bash\n# Valto Transfer \xe2\x80\x94 relance post-mise \xc3\xa0 jour "
                               "(g\xc3\xa9n\xc3\xa9r\xc3\xa9 par UpdateInstaller)\n"
                               "while /bin/kill -0 4242 2>/dev/null; do /bin/sleep 0.2; done\n";

} // namespace

// The installer's tool runs, mount parsing, staging and relaunch, against stand-in tools.
class TestUpdateInstaller final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void executer_data()
    {
        QTest::addColumn<QString>("corps");
        QTest::addColumn<QByteArray>("sortie");
        QTest::addColumn<QString>("attendu");
        // Megabytes on stderr (and stdout) must not block the tool on a full pipe.
        QTest::newRow("bavard") << u"head -c 8000000 /dev/zero >&2; head -c 3000000 /dev/zero | tr '\\0' x"_s
                                << QByteArray(3'000'000, 'x') << QString();
        QTest::newRow("code 3") << u"echo partiel; echo 'détail' >&2; exit 3"_s << QByteArray()
                                << u"outil a échoué (code 3)."_s;
        QTest::newRow("tué") << u"kill -9 $$"_s << QByteArray() << u"outil a échoué (code 9)."_s;
        QTest::newRow("absent") << QString() << QByteArray() << systeme;
    }
    void executer()
    {
        QFETCH(QString, corps);
        QFETCH(QByteArray, sortie);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        const QString outil = corps.isEmpty() ? u"/nulle/part/outil"_s : env.chemin(u"outil"_s);
        if (!corps.isEmpty()) {
            OutilsFactices::ecrireScript(outil, corps);
        }
        const Resultat<QByteArray, Erreur> resultat = UpdateInstaller::executer(outil, {u"x"_s});
        QCOMPARE(issue(resultat), attendu);
        QCOMPARE(resultat.value_or(QByteArray()), sortie);
    }

    // "@" in the attach output stands for the image's mount point, a folder that holds `contenu` (none:
    // absent).
    void preparer_data()
    {
        QTest::addColumn<QByteArray>("sortie");
        QTest::addColumn<int>("codeAttach");
        QTest::addColumn<QStringList>("contenu");
        QTest::addColumn<int>("codeCopie");
        QTest::addColumn<QString>("attendu");
        const QByteArray monte = OutilsFactices::plist({u"@"_s});
        const QStringList app{u"Valto Transfer.app/x"_s};
        const auto entites = [](const char* contenu) {
            return "<plist><dict><key>system-entities</key><array>"_ba + contenu + "</array></dict></plist>";
        };
        QTest::newRow("plusieurs apps")
            << monte << 0 << QStringList{u"Zeta.app/x"_s, u".DS_Store"_s, u"Alpha.app/x"_s, u"Beta.app/x"_s}
            << 0 << u"Alpha.app"_s;
        QTest::newRow("seule la dernière entité montée")
            << OutilsFactices::plist({QString(), QString(), u"@"_s}) << 0 << app << 0
            << u"Valto Transfer.app"_s;
        QTest::newRow("la première montée")
            << OutilsFactices::plist({u"@"_s, u"/Volumes/B"_s}) << 0 << app << 0 << u"Valto Transfer.app"_s;
        QTest::newRow("app dans un sous-dossier")
            << monte << 0 << QStringList{u"Dossier/Valto Transfer.app/x"_s} << 0 << aucuneApp;
        QTest::newRow("extension en capitales") << monte << 0 << QStringList{u"V.APP/x"_s} << 0 << aucuneApp;
        QTest::newRow("copie en échec") << monte << 0 << app << 1 << u"ditto a échoué (code 1)."_s;
        QTest::newRow("point illisible") << monte << 0 << QStringList() << 0 << systeme;
        QTest::newRow("attach en échec") << monte << 1 << app << 0 << u"hdiutil a échoué (code 1)."_s;
        QTest::newRow("aucun point de montage")
            << OutilsFactices::plist({QString()}) << 0 << app << 0 << montageImpossible;
        QTest::newRow("charabia") << "/dev/disk4 @"_ba << 0 << app << 0 << montageImpossible;
        QTest::newRow("entités hors dictionnaire")
            << entites("<string>x</string><dict><key>mount-point</key><string>@</string></dict>") << 0 << app
            << 0 << montageImpossible;
        QTest::newRow("point de montage non texte")
            << entites("<dict><key>mount-point</key><integer>3</integer></dict>") << 0 << app << 0
            << montageImpossible;
    }
    void preparer()
    {
        QFETCH(QByteArray, sortie);
        QFETCH(int, codeAttach);
        QFETCH(QStringList, contenu);
        QFETCH(int, codeCopie);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        OutilsFactices outils(env);
        const QString point = env.chemin(u"Volumes/Valto Transfer"_s);
        for (const QString& fichier : contenu) {
            env.creerFichier(u"Volumes/Valto Transfer/"_s + fichier, fichier.toUtf8());
        }
        outils.regler(sortie.replace("@", point.toUtf8()), codeAttach, codeCopie);
        const QString staging = env.creerDossier(u"tmp/x y"_s);

        const Resultat<QString, Erreur> copie =
            UpdateInstaller::preparer(outils.mac(), staging + u"/u.dmg"_s, staging);

        QCOMPARE(issue(copie), copie ? staging + u'/' + attendu : attendu);
        QVERIFY(!copie || QFileInfo(*copie).isDir());
        // Once mounted, the image is detached last, whatever happened; without a mount nothing is detached.
        const QString attach =
            u"hdiutil attach "_s + staging + u"/u.dmg -nobrowse -noverify -readonly -plist"_s;
        const bool monteeOk = attendu != montageImpossible && !attendu.startsWith(u"hdiutil"_s);
        QCOMPARE(outils.journal().constFirst(), attach);
        QCOMPARE(outils.journal().constLast(),
                 monteeOk ? u"hdiutil detach "_s + point + u" -quiet"_s : attach);
    }

    void preparerSquashFS()
    {
        EnvironnementTest env;
        OutilsFactices outils(env);
        env.creerFichier(u"contenu/Valto Transfer.app/valto-transfer"_s, "programme");
        const QString staging = env.creerDossier(u"tmp/staging"_s);
        const QString image =
            env.creerFichier(u"tmp/staging/update.squashfs"_s, env.chemin(u"contenu"_s).toUtf8());

        const Resultat<QString, Erreur> copie = UpdateInstaller::preparer(outils.squashfs(), image, staging);

        QCOMPARE(issue(copie), staging + u"/Valto Transfer.app"_s);
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
        if (QFile fuse(u"/dev/fuse"_s); !fuse.open(QIODevice::ReadWrite)) {
            QSKIP("/dev/fuse cannot be opened here (no FUSE in this container)");
        }
        EnvironnementTest env;
        env.creerFichier(u"contenu/Valto Transfer.app/valto-transfer"_s, "nouvelle version");
        const QString staging = env.creerDossier(u"tmp/staging"_s);
        const QString image = staging + u"/update.squashfs"_s;
        QCOMPARE(QProcess::execute(u"mksquashfs"_s,
                                   {env.chemin(u"contenu"_s), image, u"-quiet"_s, u"-no-progress"_s}),
                 0);

        const Resultat<QString, Erreur> copie = UpdateInstaller::preparer(outils, image, staging);

        if (issue(copie).startsWith(u"squashfuse a échoué"_s)) {
            QSKIP("squashfuse cannot mount here (FUSE mounts not permitted)");
        }
        QCOMPARE(issue(copie), staging + u"/Valto Transfer.app"_s);
        QCOMPARE(lire(*copie + u"/valto-transfer"_s), "nouvelle version");
        QVERIFY(!lire(u"/proc/self/mounts"_s).contains(QFile::encodeName(image + u".montage"_s)));
    }

    void scriptRelance_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<QString>("staging");
        QTest::addColumn<QByteArray>("attendu");
        // The eight lines, with each path given as it must appear between its double quotes.
        const auto script = [](const QByteArray& bundle, const QByteArray& stagee,
                               const QByteArray& staging) {
            return debutScript + "/bin/rm -rf \"" + bundle + "\"\n/usr/bin/ditto \"" + stagee + "\" \"" +
                   bundle + "\"\n/usr/bin/xattr -dr com.apple.quarantine \"" + bundle +
                   "\" 2>/dev/null\n/usr/bin/open \"" + bundle + "\"\n/bin/rm -rf \"" + staging + '"';
        };
        QTest::newRow("exemple") << u"/Applications/Valto Transfer.app"_s << u"/tmp/x"_s
                                 << script("/Applications/Valto Transfer.app", "/tmp/x/Valto Transfer.app",
                                           "/tmp/x");
        // Quotes, dollars, backquotes and backslashes are escaped; nothing else is touched.
        QTest::newRow("hostile")
            << u"/Applications/"_s + nomHostile << u"/tmp/$(reboot)/`id`"_s
            << script("/Applications/Valto \\\"Pro\\\" \\$HOME \\`touch pirate\\` back\\\\slash 'n' !.app",
                      "/tmp/\\$(reboot)/\\`id\\`/Valto Transfer.app", "/tmp/\\$(reboot)/\\`id\\`");
    }
    void scriptRelance()
    {
        QFETCH(QString, bundle);
        QFETCH(QString, staging);
        QFETCH(QByteArray, attendu);
        QCOMPARE(UpdateInstaller::scriptRelance(OutilsMiseAJour::macOS(), 4242, bundle,
                                                staging + u"/Valto Transfer.app"_s, staging)
                     .toUtf8(),
                 attendu);
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
        const QString bundle = env.creerDossier(u"Apps/"_s + nomHostile);
        env.creerFichier(u"Apps/"_s + nomHostile + u"/ancien"_s);
        const QString staging = env.creerDossier(u"tmp/staging"_s);
        const QString stagee = staging + u"/Valto Transfer.app"_s;
        const QString temoin = env.chemin(u"relancee"_s);
        OutilsFactices::ecrireScript(env.creerFichier(u"tmp/staging/Valto Transfer.app/valto-transfer"_s),
                                     u"printf %s \"$0\" > '"_s + temoin + u"'\n"_s);
        const OutilsMiseAJour outils =
            mac ? factices.mac() : OutilsMiseAJour::linuxSquashFS(u"valto-transfer"_s);
        QProcess termine;
        termine.start(u"/bin/true"_s, QStringList());
        QVERIFY(termine.waitForStarted());
        const qint64 pid = termine.processId(); // gone once finished, so the script does not wait
        QVERIFY(termine.waitForFinished());
        const QString script = env.creerFichier(
            u"relance.sh"_s, UpdateInstaller::scriptRelance(outils, pid, bundle, stagee, staging).toUtf8());

        QCOMPARE(QProcess::execute(u"/bin/bash"_s, {script}), 0);

        QVERIFY(!QFileInfo::exists(bundle + u"/ancien"_s));
        QVERIFY(QFileInfo(bundle + u"/valto-transfer"_s).isExecutable());
        QVERIFY(!QFileInfo::exists(staging));
        if (mac) {
            QCOMPARE(factices.journal(),
                     (QStringList{u"ditto "_s + stagee + u' ' + bundle,
                                  u"xattr -dr com.apple.quarantine "_s + bundle, u"open "_s + bundle}));
        } else {
            QTRY_COMPARE(lire(temoin), (bundle + u"/valto-transfer"_s).toUtf8());
        }
    }

    void installer_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<QString>("stagee");
        QTest::addColumn<bool>("bash");
        QTest::addColumn<QString>("attendu");
        const QString app = u"Applications/Valto Transfer.app"_s;
        const QString stagee = u"tmp/staging/Valto Transfer.app"_s;
        QTest::newRow("lancé") << app << stagee << true << QString();
        QTest::newRow("AppTranslocation") << u"private/var/T/AppTranslocation/A/d/Valto Transfer.app"_s
                                          << stagee << true << emplacementTemporaire;
        QTest::newRow("dossier absent") << u"absent/V.app"_s << stagee << true << emplacementNonInscriptible;
        QTest::newRow("script impossible à écrire") << app << u"tmp/disparu/V.app"_s << true << systeme;
        QTest::newRow("bash introuvable") << app << stagee << false << systeme;
    }
    void installer()
    {
        QFETCH(QString, bundle);
        QFETCH(QString, stagee);
        QFETCH(bool, bash);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        int terminaisons = 0;
        Plateforme plateforme = env.plateforme();
        plateforme.terminer = [&] { ++terminaisons; };
        plateforme.cheminBundle = env.chemin(bundle);
        env.creerDossier(u"Applications/Valto Transfer.app"_s);
        const QString staging = QFileInfo(env.chemin(stagee)).path();
        env.creerDossier(u"tmp/staging/Valto Transfer.app"_s);
        // Stands in for bash: keeps a copy of the script it was given.
        plateforme.outilsMiseAJour.bash = env.chemin(bash ? u"bash"_s : u"nulle/part/bash"_s);
        OutilsFactices::ecrireScript(env.chemin(u"bash"_s),
                                     u"cp \"$1\" '"_s + env.chemin(u"recu"_s) + u"'\n"_s);

        QCOMPARE(issue(installerEtRelancer(plateforme, env.chemin(stagee))), attendu);

        // Refused: nothing written. Written but not started: the application keeps running.
        QCOMPARE(QFileInfo::exists(staging + u"/relance.sh"_s), attendu.isEmpty() || !bash);
        QCOMPARE(terminaisons, attendu.isEmpty() ? 1 : 0);
        if (attendu.isEmpty()) {
            const QByteArray script =
                UpdateInstaller::scriptRelance(plateforme.outilsMiseAJour, QCoreApplication::applicationPid(),
                                               plateforme.cheminBundle, env.chemin(stagee), staging)
                    .toUtf8();
            QCOMPARE(lire(staging + u"/relance.sh"_s), script);
            QTRY_COMPARE(lire(env.chemin(u"recu"_s)), script);
        }
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateInstaller)
#include "TestUpdateInstaller.moc"
