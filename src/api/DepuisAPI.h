#pragma once

#include "api/EnregistrementsServeur.h"
#include "core/HistoryStore.h"
#include "core/Transfert.h"

class Preferences;

// The history entry for a transfer the server just created. `typeMode` is used when the server names none.
Transfert transfertDepuisAPI(const TransfertAPI& reponse, const QString& motDePasseSaisi,
                             const QString& typeMode, const QDateTime& maintenant);

StatsTransfert statsDepuisAPI(const TransfertAPI& enregistrement);

// The history store's statistics: the server's list, asked with the preferences of the moment.
// A token listed twice keeps its last record.
HistoryStore::SourceStats statsDuServeur(Preferences& preferences);
