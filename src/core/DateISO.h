#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// Internet date-times to the whole second with a zone ("2026-12-04T09:30:00Z", "...+01:00");
// any other shape, fractional seconds included, does not parse.
std::optional<QDateTime> lireDateISO(QStringView texte);

// Always UTC with "Z", fractions of a second dropped.
QString ecrireDateISO(const QDateTime& instant);
