#pragma once

#include <QString>

// The two kinds of send; the raw value is the transfer's "type" on the server.
enum class Mode { transfert, compare };

inline QString valeurBrute(Mode mode)
{
    return mode == Mode::compare ? QStringLiteral("compare") : QStringLiteral("transfert");
}
