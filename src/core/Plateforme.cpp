#include "core/Plateforme.h"

#include "core/CompteUtilisateur.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

Plateforme Plateforme::production()
{
    Plateforme p;
    p.dossierDonnees = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    p.dossierTemporaire = QDir::tempPath();
    p.origineServeur = QStringLiteral(VALTO_ORIGINE_SERVEUR);
    p.identifiantBundle = QStringLiteral(VALTO_IDENTIFIANT);
    p.versionCourante = QStringLiteral(VALTO_VERSION);
    p.cheminBundle = cheminBundleCourant();
    p.nomCompletUtilisateur = ::nomCompletUtilisateur();
#ifdef Q_OS_MACOS
    p.outilsMiseAJour = OutilsMiseAJour::macOS();
#else
    p.racineVolumes = QStringLiteral("/mnt");
    p.outilsMiseAJour =
        OutilsMiseAJour::linuxSquashFS(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
#endif
    p.terminer = [] { QCoreApplication::quit(); };
    p.ouvrirURL = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return p;
}
