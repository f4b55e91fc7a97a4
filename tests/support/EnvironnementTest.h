#pragma once

#include "core/Plateforme.h"
#include "core/Preferences.h"

#include <QByteArray>
#include <QMap>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>
#include <memory>

// A platform whose every location (mount root, key file, preferences, data) lies in one temporary folder.
class EnvironnementTest final {
public:
    EnvironnementTest();

    Plateforme& plateforme() { return m_plateforme; }
    Preferences& preferences();
    // Drops the open store, so the next preferences() reads the file again as a new process would.
    void rouvrirPreferences() { m_preferences.reset(); }

    QString chemin(const QString& relatif) const { return m_dossier.filePath(relatif); }
    // Creates the file (and its folders) with `contenu`; returns its absolute path.
    QString creerFichier(const QString& relatif, const QByteArray& contenu = {});
    QString creerDossier(const QString& relatif);

private:
    QTemporaryDir m_dossier;
    Plateforme m_plateforme;
    std::unique_ptr<Preferences> m_preferences;
};

// The file's contents; empty when it cannot be read.
QByteArray lireFichier(const QString& chemin);

// Relative path → contents of everything below a folder, hidden files included; a folder's path ends with
// '/', a link reads "->".
using Arbre = QMap<QString, QByteArray>;
Arbre lireArbre(const QString& racine);

// What `f` (a callable or a member) makes of each element, in order.
template <typename Liste, typename F> QStringList projeter(const Liste& liste, F f)
{
    QStringList sortie;
    std::ranges::transform(liste, std::back_inserter(sortie), f);
    return sortie;
}
