#pragma once

#include <QSettings>

// A QSettings file format that keeps strings, integers and string lists apart,
// which INI files cannot (a one-element list reads back as a string there).
QSettings::Format formatPreferencesJSON();
