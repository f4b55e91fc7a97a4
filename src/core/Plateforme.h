#pragma once

#include <QString>

// The fixed locations and facts of the machine the application runs on; tests build their own.
struct Plateforme final {
    QString racineVolumes = QStringLiteral("/Volumes");
    QString fichierCleAPI = QStringLiteral("/Volumes/DATA/Valto Transferts/.transfer-api-key");
    // Empty: the platform's own per-user preference store.
    QString fichierPreferences;
    QString dossierDonnees;
    QString dossierTemporaire;
    QString origineServeur;
    QString identifiantBundle;
    QString versionCourante;
    QString cheminBundle;
    QString nomCompletUtilisateur;

    static Plateforme production();
};
