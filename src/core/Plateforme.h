#pragma once

#include "core/Affichage.h"
#include "core/OutilsMiseAJour.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>

// The fixed locations and facts of the machine the application runs on; tests build their own.
// A small value: every object that needs it keeps its own copy.
struct Plateforme final {
    // Where the NAS shares are mounted unless the copies folder tells otherwise.
    QString racineVolumes = QStringLiteral("/Volumes");
    // Empty: the platform's own per-user preference store.
    QString fichierPreferences;
    QString dossierDonnees;
    QString dossierTemporaire;
    QString origineServeur;
    QString identifiantBundle;
    QString versionCourante;
    QString cheminBundle;
    QString nomCompletUtilisateur;
    OutilsMiseAJour outilsMiseAJour;
    // Ends the application (after a relaunch was arranged, or an abandoned transfer cleaned up).
    // Empty: does nothing.
    std::function<void()> terminer;
    // Hands a URL to the user's browser; false when none took it. Empty: does nothing.
    std::function<bool(const QUrl&)> ouvrirURL;
    // Where each send run draws its token; tests force a collision through it.
    std::function<QString()> tirerToken = nouveauToken;
    // The current time, for the rules that depend on it.
    std::function<QDateTime()> maintenant = QDateTime::currentDateTimeUtc;

    static Plateforme production();
};
