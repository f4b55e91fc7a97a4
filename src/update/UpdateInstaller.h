#pragma once

#include "core/ErreurSysteme.h"
#include "core/OutilsMiseAJour.h"
#include "core/Resultat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <variant>

struct Plateforme;

// Stages a new bundle out of a downloaded image, then swaps it in through a relaunch script.
namespace UpdateInstaller {

// A failure of the update itself; its text is shown to the user unchanged.
struct Echec final {
    QString raison;

    QString description() const { return raison; }
    bool operator==(const Echec&) const = default;
};

using Erreur = std::variant<Echec, ErreurSysteme>;

inline const QString telechargementRefuse = QStringLiteral("Serveur : téléchargement refusé.");
inline const QString montageImpossible = QStringLiteral("Montage de l'image impossible.");
inline const QString aucuneApp = QStringLiteral("Aucune app dans l'image téléchargée.");
inline const QString emplacementTemporaire = QStringLiteral(
    "App lancée depuis un emplacement temporaire (Gatekeeper). Déplace-la dans Applications puis relance.");
inline const QString emplacementNonInscriptible = QStringLiteral(
    "Emplacement non inscriptible. Installe la mise à jour manuellement (glisse l'app dans Applications).");
inline const QString imageCorrompue =
    QStringLiteral("Image téléchargée corrompue (somme de contrôle différente).");

// Runs a tool to its end and returns its standard output; standard error is discarded.
Resultat<QByteArray, Erreur> executer(const QString& programme, const QStringList& arguments);

// Attaches the image read-only and returns where it is mounted.
Resultat<QString, Erreur> monter(const OutilsMiseAJour& outils, const QString& image);
// Detaches the image mounted there; every error is ignored.
void demonter(const OutilsMiseAJour& outils, const QString& pointMontage);
// Copies the first bundle at the image's top level into the staging directory; returns the copy's path.
Resultat<QString, Erreur> preparer(const OutilsMiseAJour& outils, const QString& image,
                                   const QString& dossierStaging);

// The script that waits for process `pid` to end, swaps `bundle` for `stagee`, relaunches and cleans up.
QString scriptRelance(const OutilsMiseAJour& outils, qint64 pid, const QString& bundle, const QString& stagee,
                      const QString& dossierStaging);
// Writes and starts the relaunch script, then ends the application. Returns only on failure, except
// when the platform's termination hands control back (as in tests).
Resultat<void, Erreur> installerEtRelancer(const Plateforme& plateforme, const QString& stagee);

} // namespace UpdateInstaller
