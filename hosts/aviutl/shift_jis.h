// The library's labels are UTF-8; the editor reads code page 932
// (Shift-JIS). The plug-in converts them itself, with a table of the
// Japanese characters its labels hold.
#pragma once

#include <cstddef>

// Writes `utf8` to `out` in code page 932, at most `size` bytes with the
// terminating zero: ASCII as it is, every other character from the table,
// and '?' for one outside it or for bytes that are not UTF-8.
void ToShiftJis(const char* utf8, char* out, size_t size);
