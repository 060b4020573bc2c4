#include "hosts/frei0r/parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorlin::frei0r {

namespace {

// A fixed buffer per control, written once: nothing for the host's exit to
// destroy and nothing that can throw across the C entry points.
struct Explanations {
  char text[QUORLIN_CONTROL_COUNT][320];

  Explanations() {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      if (c.is_switch) {
        std::snprintf(text[id], sizeof text[id], "%s; on from 0.5, default %s", c.description,
                      c.default_value ? "on" : "off");
      } else {
        std::snprintf(text[id], sizeof text[id], "%s; 0..1 maps onto %d..%d in steps of 1/%d, default %d (%.4g)",
                      c.description, c.minimum, c.maximum, c.maximum - c.minimum, c.default_value,
                      Fraction(c, c.default_value));
      }
    }
  }
};

}  // namespace

int ControlValue(const QuorlinControl& control, double fraction, int current) {
  if (std::isnan(fraction)) return current;
  const double steps = control.maximum - control.minimum;
  return control.minimum + int(std::lround(std::clamp(fraction, 0.0, 1.0) * steps));
}

double Fraction(const QuorlinControl& control, int value) {
  const int steps = control.maximum - control.minimum;
  return double(std::clamp(value, control.minimum, control.maximum) - control.minimum) / steps;
}

const char* Explanation(int id) {
  static const Explanations explanations;
  return explanations.text[id];
}

}  // namespace quorlin::frei0r
