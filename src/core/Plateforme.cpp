#include "Plateforme.h"

#include "CompteUtilisateur.h"

#include <QDir>
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
    return p;
}
