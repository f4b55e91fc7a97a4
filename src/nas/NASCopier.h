#pragma once

#include "core/ErreurSysteme.h"
#include "core/Resultat.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>
#include <variant>

// The copier's own refusals, before anything is written.
struct NASCopierErreur final {
    enum class Cas { montageAbsent, dossierExistant };

    Cas cas;
    // The copies folder as passed in (montageAbsent) or the token (dossierExistant).
    QString valeur;

    static NASCopierErreur montageAbsent(const QString& dossierCopies)
    {
        return {Cas::montageAbsent, dossierCopies};
    }
    static NASCopierErreur dossierExistant(const QString& token) { return {Cas::dossierExistant, token}; }

    QString description() const;
    bool operator==(const NASCopierErreur&) const = default;
};

using ErreurCopie = std::variant<NASCopierErreur, ErreurSysteme>;

// Copies off-NAS files into the per-transfer folder; plain functions, safe to run on a worker thread.
namespace NASCopier {

// Receives the running byte count after each chunk written, on the copying thread.
using Progression = std::function<void(qint64)>;

inline constexpr qint64 tailleBloc = 1024 * 1024;

// The per-transfer folder: the copies folder joined with the token.
QString dossierTransfert(const QString& dossierCopies, const QString& token);

// Copies each location into `dossierCopies`/`token` under its own name, a later namesake getting a
// numbered name ("photo 2.jpg"), and returns the names given, in order; the first failure, or a stop
// request, ends the copy and leaves what was written.
Resultat<QStringList, ErreurCopie> copier(const QStringList& urls, const QString& token,
                                          const QString& dossierCopies, const Progression& surProgression,
                                          std::stop_token arret = {});

} // namespace NASCopier
