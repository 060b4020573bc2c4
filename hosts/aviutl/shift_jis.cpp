#include "hosts/aviutl/shift_jis.h"

#include <cstdint>

namespace {

struct Character {
  char32_t code_point;
  uint16_t cp932;
};

// The characters of the labels, as code page 932 encodes them.
constexpr Character kTable[] = {
    {U'あ', 0x82A0}, {U'か', 0x82A9}, {U'し', 0x82B5}, {U'の', 0x82CC}, {U'ぼ', 0x82DA}, {U'み', 0x82DD},
    {U'り', 0x82E8}, {U'イ', 0x8343}, {U'ス', 0x8358}, {U'タ', 0x835E}, {U'レ', 0x838C}, {U'ン', 0x8393},
    {U'ー', 0x815B}, {U'値', 0x926C}, {U'処', 0x8F88}, {U'制', 0x90A7}, {U'幅', 0x959D}, {U'度', 0x9378},
    {U'強', 0x8BAD}, {U'明', 0x96BE}, {U'理', 0x979D}, {U'色', 0x9046}, {U'輝', 0x8B50}, {U'閾', 0xE887},
    {U'限', 0x8CC0},
};

// The character at `s`, and how many bytes it takes; 0 for bytes that are
// not UTF-8.
char32_t Decode(const unsigned char* s, int& length) {
  const int lead = s[0];
  length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0) {
    length = 1;
    return 0;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      length = i;
      return 0;
    }
    c = c << 6 | (s[i] & 0x3F);
  }
  return c;
}

}  // namespace

void ToShiftJis(const char* utf8, char* out, size_t size) {
  if (size == 0) return;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  size_t n = 0;
  while (*s) {
    int length = 0;
    const char32_t c = Decode(s, length);
    s += length;
    uint16_t code = '?';
    if (c > 0 && c < 0x80) code = uint16_t(c);
    for (const Character& entry : kTable) {
      if (entry.code_point == c) code = entry.cp932;
    }
    const size_t bytes = code > 0xFF ? 2 : 1;
    if (n + bytes >= size) break;
    if (bytes == 2) out[n++] = char(code >> 8);
    out[n++] = char(code & 0xFF);
  }
  out[n] = '\0';
}
