#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What an open dialog is asked for.
struct DemandeFichiers final {
    enum class Genre {
        // Files and folders, several at once (the transfer zone, "Ajouter…" in transfer mode).
        fichiersEtDossiers,
        // One file whose extension is in `extensions` (a compare slot, "Ajouter…" in compare mode).
        unFichier,
    };

    Genre genre = Genre::fichiersEtDossiers;
    QSet<QString> extensions;
    QString bouton;
};

// The modal open dialog of the platform: the chosen absolute paths in the dialog's order, empty when
// the user cancels.
namespace SelecteurFichiers {

using Selecteur = std::function<QStringList(QWidget* parent, const DemandeFichiers& demande)>;

QStringList choisir(QWidget* parent, const DemandeFichiers& demande);

// Tests answer in place of the dialog; an empty function brings the platform's dialog back.
void remplacer(Selecteur selecteur);

// The platform's own dialog.
QStringList dialoguePlateforme(QWidget* parent, const DemandeFichiers& demande);

} // namespace SelecteurFichiers
