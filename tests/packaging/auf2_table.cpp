// Loads an ExEdit2 plug-in as the editor does and prints its whole filter
// table in UTF-8, a line for each field the package's texts depend on:
//   name<TAB>NAME
//   item<TAB>NAME      each item, in the table's order
//   create<TAB>null|set, destroy<TAB>null|set
//
//   auf2_table PLUGIN
#include <windows.h>

#include <cstdio>
#include <string>

#include "hosts/aviutl2/plugin_records.h"

namespace {

std::string Utf8(const wchar_t* text) {
  if (!text) return "(null)";
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

// Every item starts with its type and its name.
struct ItemHead {
  const wchar_t* type;
  const wchar_t* name;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: auf2_table PLUGIN\n");
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  using Get = FilterPluginTable* (*)();
  auto get = module ? reinterpret_cast<Get>(reinterpret_cast<void (*)()>(GetProcAddress(module, "GetFilterPluginTable")))
                    : nullptr;
  const FilterPluginTable* table = get ? get() : nullptr;
  if (!table) {
    std::fprintf(stderr, "auf2_table: %s has no filter table\n", argv[1]);
    return 1;
  }
  std::printf("name\t%s\n", Utf8(table->name).c_str());
  for (void** item = table->items; item && *item; ++item) {
    std::printf("item\t%s\n", Utf8(static_cast<const ItemHead*>(*item)->name).c_str());
  }
  std::printf("create\t%s\ndestroy\t%s\n", table->func_create ? "set" : "null", table->func_destroy ? "set" : "null");
  return 0;
}
