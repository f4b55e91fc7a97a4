#pragma once

#include "serveur/ArbreNAS.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace serveur {

// Receives each piece of the archive as it is made; false stops the archive (the client left).
using EcritureFlux = std::function<bool(const char* donnees, std::size_t taille)>;

// Streams a ZIP of `elements` (stored, no compression: photos and PDFs do not shrink) without a
// temporary file; memory stays that of one read buffer. False when writing or reading failed.
bool ecrireZip(const std::vector<Element>& elements, const EcritureFlux& ecrire);

} // namespace serveur
