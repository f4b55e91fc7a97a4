#pragma once

#include "core/Transfert.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The history file's bytes: a compact JSON array of entries keyed by field name, newest first.
// Dates beyond four-digit years once in UTC are held at the nearest writable second.
QByteArray encoderHistorique(const QList<Transfert>& transferts);

// Empty when any entry lacks a required key or holds a value of the wrong type: the file is then unreadable.
std::optional<QList<Transfert>> decoderHistorique(const QByteArray& octets);
