#pragma once

#include "api/TransfertAPI.h"
#include "core/Transfert.h"

// The history entry for a transfer the server just created. `typeMode` is used when the server names none.
Transfert transfertDepuisAPI(const TransfertAPI& reponse, const QString& motDePasseSaisi,
                             const QString& typeMode);

StatsTransfert statsDepuisAPI(const TransfertAPI& enregistrement);
