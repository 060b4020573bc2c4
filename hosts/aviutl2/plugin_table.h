// The filter's definition as the 64-bit editor reads it: the library's ten
// controls as seven track bars and three check boxes, in the library's order
// (track bars first), with the names, ranges and defaults of the 32-bit
// plug-in.
#pragma once

#include "hosts/aviutl2/plugin_records.h"
#include "quorlin/quorlin.h"

// A track bar's control value for the host's double: rounded to nearest and
// clamped to the control's range. NaN or an infinity means nothing and
// leaves `current` as it is.
int TrackValue(const QuorlinControl& control, double value, int current);

// Reads the items' current values into `settings`, each as TrackValue does
// for a track bar; a check box is on or off.
void ReadControls(QuorlinSettings& settings);
