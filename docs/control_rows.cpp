// The control table's columns that come from the library, one row a
// control, as docs/hosts.md writes them: option, editor label, range,
// default.
#include <cstdio>

#include "quorlin/quorlin.h"

int main() {
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    if (c.is_switch) {
      std::printf("`%s`|%s|on/off|%s\n", c.option, c.editor_name, c.default_value ? "on" : "off");
    } else {
      std::printf("`%s`|%s|%d..%d|%d\n", c.option, c.editor_name, c.minimum, c.maximum, c.default_value);
    }
  }
}
