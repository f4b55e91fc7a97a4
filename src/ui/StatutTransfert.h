#pragma once

#include "core/Transfert.h"

#include <QString>

#include <array>
#include <optional>

struct Jeton;

// Where a sent transfer stands with its client, from the server's latest figures.
namespace StatutTransfert {

enum class Statut { inconnu, envoye, ouvert, telecharge };

Statut depuis(const std::optional<StatsTransfert>& stats);

// "—", "Envoyé", "Ouvert", "Téléchargé".
QString mot(Statut statut);

// The sentence behind the indicator: when it was downloaded or opened, and how often.
QString ligne(const std::optional<StatsTransfert>& stats);

// Colours of the indicator's five shapes (dot, bar, dot, bar, dot).
std::array<const Jeton*, 5> couleursFormes(Statut statut);

} // namespace StatutTransfert
