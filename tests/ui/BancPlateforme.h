#pragma once

#include "ContentView.h"
#include "api/DepuisAPI.h"
#include "core/HistoryStore.h"
#include "support/EnvironnementTest.h"
#include "support/ServeurLocal.h"
#include "update/OutilsFactices.h"

#include <QCryptographicHash>
#include <QTest>

#include <memory>

// A test platform for the window: the loopback server plays the transfer server (API at 127.0.0.1,
// releases at "localhost", so the two hosts differ), a NAS with the share DATA, stand-in update tools,
// a running 1.4 whose relaunch only counts.
struct BancPlateforme {
    EnvironnementTest env;
    OutilsFactices outils{env};
    ServeurLocal serveur;
    int terminaisons = 0;
    const QString dossierCopies = env.creerDossier(QStringLiteral("Volumes/DATA/Valto Transferts"));
    static inline const QByteArray reponseCreation =
        "{\"token\":\"tok4567890\",\"titre\":\"Photos\",\"url\":\"https://t.example/tok4567890\","
        "\"protege\":false,\"cree_le\":\"2026-12-04T09:30:00Z\",\"nb_fichiers\":1,\"octets\":1234,"
        "\"nb_telechargements\":0}";

    BancPlateforme()
    {
        Plateforme& p = env.plateforme();
        p.origineServeur = QStringLiteral("http://localhost:%1").arg(serveur.port());
        p.versionCourante = QStringLiteral("1.4");
        p.outilsMiseAJour = outils.mac();
        p.outilsMiseAJour.bash = QStringLiteral("/bin/true");
        p.terminer = [this] { ++terminaisons; };
        env.creerFichier(QStringLiteral("Volumes/Valto Transfer/Valto Transfer.app/Contents/Info.plist"),
                         "2.0");
        env.creerDossier(QStringLiteral("Applications/Valto Transfer.app"));
        outils.regler(OutilsFactices::plist({env.chemin(QStringLiteral("Volumes/Valto Transfer"))}));
        env.preferences().ecrire(Preferences::cleApiBaseURL, serveur.origine());
        env.preferences().ecrire(Preferences::cleApiKey, QStringLiteral("cle-test"));
        env.preferences().ecrire(Preferences::cleNasMountPath, dossierCopies);
        serveur.repondre("GET", "/api/partages", ReponseScriptee::json(200, "{\"partages\":[\"DATA\"]}"));
        serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, reponseCreation));
    }

    // Offers version 2.0, whose image (any body) holds one bundle.
    // An image sent without its length is only trusted with its checksum, so the manifest gives one then.
    void publier20(const ReponseScriptee& image)
    {
        QByteArray somme;
        if (image.forme == ReponseScriptee::Forme::sansLongueur) {
            somme = ",\"sha256\":\"" +
                    QCryptographicHash::hash(image.corps, QCryptographicHash::Sha256).toHex() + '"';
        }
        serveur.repondre("GET", "/releases/version.json",
                         ReponseScriptee::json(200, "{\"version\":\"2.0\",\"url\":\"" +
                                                        serveur.origine().toUtf8() + "/images/v2.dmg\"" +
                                                        somme + '}'));
        serveur.repondre("GET", "/images/v2.dmg", image);
    }
    QString creer(const QString& relatif, const QByteArray& contenu = "x")
    {
        return env.creerFichier(relatif, contenu);
    }
};

// The window's content alone over a real store, at the window's size.
struct BancContenu : BancPlateforme {
    std::unique_ptr<HistoryStore> m_historique;
    std::unique_ptr<ContentView> m_contenu;

    // Made at first use, so a test can adjust the platform and the server first.
    HistoryStore& historique()
    {
        if (!m_historique) {
            m_historique =
                std::make_unique<HistoryStore>(env.plateforme(), statsDuServeur(env.preferences()));
        }
        return *m_historique;
    }
    ContentView& contenu()
    {
        if (!m_contenu) {
            m_contenu = std::make_unique<ContentView>(historique(), env.preferences(), env.plateforme());
            m_contenu->resize(460, 720);
        }
        return *m_contenu;
    }
    // Shows the content; its start-up task begins after the first frame.
    void montrer()
    {
        contenu().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_contenu.get()));
    }
};
