#pragma once

class QAbstractScrollArea;

// Gives a scrolling area the design system's slim scroll bar (a rounded thumb in the dashed border
// colour, no arrows), kept in step with the appearance.
void habillerDefilement(QAbstractScrollArea* zone);
