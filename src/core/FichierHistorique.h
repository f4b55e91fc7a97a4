#pragma once

#include "core/Transfert.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The history file's bytes: a compact JSON array of entries keyed by field name, newest first.
// Empty when a date could not be read back (invalid, or a year beyond four digits once in UTC).
std::optional<QByteArray> encoderHistorique(const QList<Transfert>& transferts);

// Empty when any entry lacks a required key or holds a value of the wrong type: the file is then unreadable.
std::optional<QList<Transfert>> decoderHistorique(const QByteArray& octets);
