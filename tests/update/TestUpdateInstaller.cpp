#include "support/EnvironnementTest.h"
#include "support/ExecuterTests.h"
#include "update/ListePropriete.h"
#include "update/OutilsFactices.h"
#include "update/UpdateInstaller.h"

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
    const auto* echec = std::get_if<Echec>(&resultat.error());
    return echec ? echec->raison : description(resultat.error()).isEmpty() ? u"[sans texte]"_s : systeme;
}

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
        QTest::newRow("absent") << QString() << QByteArray() << systeme;
    }
    void executer()
    {
        QFETCH(QString, corps);
        EnvironnementTest env;
        OutilsFactices::ecrireScript(env.chemin(u"outil"_s), corps);
        const Resultat<QByteArray, Erreur> resultat =
            UpdateInstaller::executer(env.chemin(corps.isEmpty() ? u"nulle/part"_s : u"outil"_s), {u"x"_s});
        QTEST(issue(resultat), "attendu");
        QTEST(resultat.value_or(QByteArray()), "sortie");
    }

    // hdiutil's property lists, whole or broken in each way the reader checks; absent: QVariant().
    void listePropriete_data()
    {
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QVariant>("attendu");
        const auto plist = [](const QByteArray& corps) { return "<plist>" + corps + "</plist>"; };
        QTest::newRow("tous les types")
            << plist("<dict><key>n</key><integer> 42 </integer><key>r</key><real>1.5</real><key>d</key>"
                     "<data>eA==</data><key>v</key><true/><key>f</key><false/><key>t</key><date>2026</date>"
                     "<key>l</key><array><string>a</string></array></dict>")
            << QVariant(QVariantMap{{u"n"_s, qint64(42)},
                                    {u"r"_s, 1.5},
                                    {u"d"_s, QByteArray("x")},
                                    {u"v"_s, true},
                                    {u"f"_s, false},
                                    {u"t"_s, u"2026"_s},
                                    {u"l"_s, QVariantList{u"a"_s}}});
        QTest::newRow("entier illisible")
            << plist("<dict><key>n</key><integer>4x</integer></dict>") << QVariant();
        QTest::newRow("réel illisible") << plist("<array><real>x</real></array>") << QVariant();
        QTest::newRow("valeur sans clé")
            << plist("<dict><string>a</string><string>b</string></dict>") << QVariant();
        QTest::newRow("clé sans valeur") << plist("<dict><key>a</key></dict>") << QVariant();
        QTest::newRow("élément inconnu") << plist("<foo/>") << QVariant();
        QTest::newRow("texte mal fermé") << plist("<string>a</strin>") << QVariant();
        QTest::newRow("deux racines") << plist("<true/><false/>") << QVariant();
        QTest::newRow("sans plist") << QByteArray("<dict/>") << QVariant();
    }
    void listePropriete()
    {
        QFETCH(QByteArray, texte);
        QTEST(lireListePropriete(texte).value_or(QVariant()), "attendu");
    }

    // "@" in the attach output stands for the image's mount point, a folder that holds `contenu` (none:
    // absent). No output at all: the Linux tools, which print nothing and mount where they are told.
    void preparer_data()
    {
        QTest::addColumn<QByteArray>("sortie");
        QTest::addColumn<int>("codeAttach");
        QTest::addColumn<QStringList>("contenu");
        QTest::addColumn<int>("codeCopie");
        QTest::addColumn<QString>("attendu");
        const QByteArray monte = OutilsFactices::plist({u"@"_s});
        const QStringList app{u"Valto Transfer.app/x"_s};
        QTest::newRow("plusieurs apps")
            << monte << 0 << QStringList{u"Zeta.app/x"_s, u".DS_Store"_s, u"Alpha.app/x"_s, u"Beta.app/x"_s}
            << 0 << u"Alpha.app"_s;
        QTest::newRow("app dans un sous-dossier")
            << monte << 0 << QStringList{u"Dossier/Valto Transfer.app/x"_s} << 0 << aucuneApp;
        QTest::newRow("copie en échec") << monte << 0 << app << 1 << u"ditto a échoué (code 1)."_s;
        QTest::newRow("attach en échec") << monte << 1 << app << 0 << u"hdiutil a échoué (code 1)."_s;
        QTest::newRow("point de montage absent") << monte << 0 << QStringList() << 0 << systeme;
        QTest::newRow("entité qui n'est pas un dictionnaire")
            << QByteArray(monte).replace("<array>", "<array><string>x</string>") << 0 << app << 0
            << montageImpossible;
        QTest::newRow("sortie illisible") << QByteArray("<plist>") << 0 << app << 0 << montageImpossible;
        QTest::newRow("aucun point de montage")
            << OutilsFactices::plist({QString()}) << 0 << app << 0 << montageImpossible;
        QTest::newRow("Linux") << QByteArray() << 0 << app << 0 << u"Valto Transfer.app"_s;
        QTest::newRow("Linux, montage en échec")
            << QByteArray() << 1 << app << 0 << u"squashfuse a échoué (code 1)."_s;
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
        const bool linux = sortie.isNull();
        const QString staging = env.creerDossier(u"tmp/x y"_s);
        const QString image = staging + u"/u.dmg"_s;
        const QString point = linux ? image + u".montage"_s : env.chemin(u"Volumes/Valto Transfer"_s);
        for (const QString& fichier : contenu) {
            env.creerFichier(u"Volumes/Valto Transfer/"_s + fichier, fichier.toUtf8());
        }
        outils.regler(sortie.replace("@", point.toUtf8()), codeAttach, codeCopie);

        const auto copie = UpdateInstaller::preparer(linux ? outils.linux() : outils.mac(), image, staging);

        QCOMPARE(issue(copie), copie ? staging + u'/' + attendu : attendu);
        // Once mounted, the image is detached last, whatever happened; without a mount nothing is detached.
        const QString attach =
            linux ? u"squashfuse -o ro "_s + image + u' ' + point
                  : u"hdiutil attach "_s + image + u" -nobrowse -noverify -readonly -plist"_s;
        const bool monteeOk = attendu != montageImpossible && !attendu.startsWith(u"hdiutil"_s) &&
                              !attendu.startsWith(u"squashfuse"_s);
        QCOMPARE(outils.journal().constFirst(), attach);
        QCOMPARE(outils.journal().constLast(), !monteeOk ? attach
                                               : linux   ? u"fusermount -u "_s + point
                                                         : u"hdiutil detach "_s + point + u" -quiet"_s);
        // Linux's mount point is ours: it goes with the image.
        QVERIFY(!linux || !QFileInfo::exists(point));
    }

    // Quotes, dollars, backquotes and backslashes are escaped in every path; nothing else is touched.
    void scriptRelance()
    {
        const QString bundle = u"/Applications/Valto \"Pro\" $HOME `touch pirate` back\\slash 'n' !.app"_s;
        const QString staging = u"/tmp/$(reboot)/`id`"_s;
        const auto app = "/Applications/Valto \\\"Pro\\\" \\$HOME \\`touch pirate\\` back\\\\slash 'n' !.app";
        const QByteArray dossier = "/tmp/\\$(reboot)/\\`id\\`";
        const QByteArray debut = debutScript + "/bin/rm -rf \"" + app + "\"\n";
        const QByteArray fin = "/bin/rm -rf \"" + dossier + '"';
        const auto script = [&](const OutilsMiseAJour& outils) {
            return UpdateInstaller::scriptRelance(outils, 4242, bundle, staging + u"/Valto Transfer.app"_s,
                                                  staging)
                .toUtf8();
        };
        QCOMPARE(script(OutilsMiseAJour::macOS()),
                 debut + "/usr/bin/ditto \"" + dossier + "/Valto Transfer.app\" \"" + app +
                     "\"\n/usr/bin/xattr -dr com.apple.quarantine \"" + app +
                     "\" 2>/dev/null\n/usr/bin/open \"" + app + "\"\n" + fin);
        // A tool's plain path, dots and dashes included, is written bare.
        OutilsMiseAJour linux = OutilsMiseAJour::linuxSquashFS(u"valto-transfer"_s);
        linux.copieur = u"/usr/lib/valto-1.2/cp"_s;
        QCOMPARE(script(linux), debut + "/usr/lib/valto-1.2/cp -a \"" + dossier + "/Valto Transfer.app\" \"" +
                                    app + "\"\n\"" + app + "/valto-transfer\" >/dev/null 2>&1 &\n" + fin);
    }

    // Refused: nothing written. Written but bash not started: the application keeps running.
    void installer_data()
    {
        QTest::addColumn<QString>("bundle");
        QTest::addColumn<bool>("bash");
        QTest::addColumn<QString>("attendu");
        const QString app = u"Applications/Valto Transfer.app"_s;
        QTest::newRow("lancé") << app << true << QString();
        QTest::newRow("AppTranslocation")
            << u"private/var/T/AppTranslocation/A/d/Valto Transfer.app"_s << true << emplacementTemporaire;
        QTest::newRow("bash introuvable") << app << false << systeme;
    }
    void installer()
    {
        QFETCH(QString, bundle);
        QFETCH(bool, bash);
        QFETCH(QString, attendu);
        EnvironnementTest env;
        int terminaisons = 0;
        Plateforme plateforme = env.plateforme();
        plateforme.terminer = [&] { ++terminaisons; };
        plateforme.cheminBundle = env.chemin(bundle);
        env.creerDossier(u"Applications/Valto Transfer.app"_s);
        const QString staging = env.chemin(u"tmp/staging"_s);
        const QString stagee = env.creerDossier(u"tmp/staging/Valto Transfer.app"_s);
        // Stands in for bash: keeps a copy of the script it was given.
        plateforme.outilsMiseAJour.bash = env.chemin(bash ? u"bash"_s : u"nulle/part/bash"_s);
        OutilsFactices::ecrireScript(env.chemin(u"bash"_s),
                                     u"cp \"$1\" '"_s + env.chemin(u"recu"_s) + u"'\n"_s);

        QCOMPARE(issue(installerEtRelancer(plateforme, stagee)), attendu);
        QCOMPARE(QFileInfo::exists(staging + u"/relance.sh"_s), attendu.isEmpty() || !bash);
        QCOMPARE(terminaisons, attendu.isEmpty() ? 1 : 0);
        if (attendu.isEmpty()) {
            QTRY_COMPARE(lireFichier(env.chemin(u"recu"_s)),
                         UpdateInstaller::scriptRelance(plateforme.outilsMiseAJour,
                                                        QCoreApplication::applicationPid(),
                                                        plateforme.cheminBundle, stagee, staging)
                             .toUtf8());
        }
    }
};

VALTO_INSCRIRE_TESTS(TestUpdateInstaller)
#include "TestUpdateInstaller.moc"
