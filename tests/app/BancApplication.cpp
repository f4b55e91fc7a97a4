#include "BancApplication.h"

#include "FenetrePrincipale.h"
#include "ValtoTransferApp.h"

#include <QTest>

using namespace Qt::StringLiterals;

const QByteArray BancApplication::reponseCreation =
    "{\"token\":\"tok4567890\",\"titre\":\"Photos\",\"url\":\"https://t.example/tok4567890\","
    "\"protege\":false,\"cree_le\":\"2026-12-04T09:30:00Z\",\"expire_le\":null,"
    "\"nb_telechargements\":0,\"nb_fichiers\":1,\"octets\":1234}";

BancApplication::BancApplication()
    : dossierCopies(env.creerDossier(u"Volumes/DATA/Valto Transferts"_s))
{
    Plateforme& p = env.plateforme();
    p.origineServeur = u"http://localhost:%1"_s.arg(serveur.port());
    p.versionCourante = u"1.4"_s;
    p.outilsMiseAJour = outils.mac();
    p.outilsMiseAJour.bash = u"/bin/true"_s;
    p.terminer = [this] { ++terminaisons; };
    env.creerFichier(u"Applications/Valto Transfer.app/Contents/Info.plist"_s);
    env.creerFichier(u"Volumes/Valto Transfer/Valto Transfer.app/Contents/Info.plist"_s, "2.0");
    outils.regler(OutilsFactices::plist({env.chemin(u"Volumes/Valto Transfer"_s)}));

    Preferences& preferences = env.preferences();
    preferences.ecrire(Preferences::cleApiBaseURL, serveur.origine());
    preferences.ecrire(Preferences::cleApiKey, u"cle-test"_s);
    preferences.ecrire(Preferences::cleNasMountPath, dossierCopies);
    serveur.repondre("GET", "/api/partages", ReponseScriptee::json(200, "{\"partages\":[\"DATA\"]}"));
    serveur.repondre("POST", "/api/transferts", ReponseScriptee::json(201, reponseCreation));
}

BancApplication::~BancApplication() = default;

ValtoTransferApp& BancApplication::app()
{
    if (!m_app) {
        m_app = std::make_unique<ValtoTransferApp>(env.plateforme(), env.chemin(u"polices"_s));
    }
    return *m_app;
}

FenetrePrincipale& BancApplication::fenetre()
{
    return app().fenetre();
}

ContentView& BancApplication::contenu()
{
    return fenetre().contenu();
}

void BancApplication::montrer()
{
    fenetre().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre()));
}

void BancApplication::publier20(const ReponseScriptee& image)
{
    const QByteArray manifeste =
        "{\"version\":\"2.0\",\"url\":\"" + serveur.origine().toUtf8() + "/images/v2.dmg\"}";
    serveur.repondre("GET", "/releases/version.json", ReponseScriptee::json(200, manifeste));
    serveur.repondre("GET", "/images/v2.dmg", image);
}

QStringList BancApplication::requetesVers(const QByteArray& methode) const
{
    QStringList chemins;
    for (const RequeteRecue& requete : serveur.requetes()) {
        if (requete.methode == methode) {
            chemins.append(QString::fromUtf8(requete.chemin));
        }
    }
    return chemins;
}
