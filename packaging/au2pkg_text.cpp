// The texts of the ExEdit2 package that name the controls, made from the
// library's control table, in UTF-8 with CRLF line ends:
//
//   au2pkg_text language NAME
//     the English language file of the filter NAME: "[NAME]", then one
//     "Japanese=English" line for each control's editor name
//   au2pkg_text controls
//     one line for each control, for the package's read-me: its names, its
//     range and default, and its description
//
// A control's English name is its command-line option's words, so that the
// editor in English and the command name a control alike.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "quorlin/quorlin.h"

namespace {

// "luma-only" -> "Luma only".
std::string EnglishName(const QuorlinControl& control) {
  std::string name = control.option;
  for (char& c : name) c = c == '-' ? ' ' : c;
  name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
  return name;
}

std::string Range(const QuorlinControl& control) {
  if (control.is_switch) return std::string("on/off, default ") + (control.default_value ? "on" : "off");
  return std::to_string(control.minimum) + ".." + std::to_string(control.maximum) + ", default " +
         std::to_string(control.default_value);
}

void Line(const std::string& text) { std::printf("%s\r\n", text.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "language") == 0) {
    Line(std::string("[") + argv[2] + "]");
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      Line(std::string(c.editor_name) + "=" + EnglishName(c));
    }
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "controls") == 0) {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      Line(std::string("  ") + c.editor_name + " (" + EnglishName(c) + "), " + Range(c) + ": " + c.description);
    }
    return 0;
  }
  std::fprintf(stderr, "usage: au2pkg_text language NAME | au2pkg_text controls\n");
  return 2;
}
