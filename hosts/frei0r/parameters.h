// The frei0r parameters: one for each of the library's controls, in its
// order. frei0r hosts pass a double in [0, 1] for every parameter, booleans
// included; it is mapped onto the control's range in even steps.
#pragma once

#include "quorlin/quorlin.h"

namespace quorlin::frei0r {

// The control's value for a host's double: clamped to [0, 1] and rounded to
// the nearest step, so that a switch is on from 0.5 up. NaN means nothing
// and leaves `current` as it is.
int ControlValue(const QuorlinControl& control, double fraction, int current);

// The double that maps onto `value` (clamped to the control's range).
double Fraction(const QuorlinControl& control, int value);

// The control's description with the range its 0..1 maps onto and its
// default, in UTF-8; lives as long as the module.
const char* Explanation(int id);

}  // namespace quorlin::frei0r
