// Stands in for the 64-bit editor: loads Quorlin.auf2 by path, takes its
// table from GetFilterPluginTable and hands it images through ProcVideo
// records, knowing nothing of the filter but the host's record layouts.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hosts/aviutl2/plugin_records.h"
#include "tests/host_stand_in/host_core.h"

struct Auf2Module {
  PluginModule module;
  FilterPluginTable* table = nullptr;
};

// Loads the module and asks it for its table; on failure prints the
// loader's complaint and returns an empty Auf2Module.
Auf2Module LoadAuf2(const char* path);
// Frees the module, as a host does that unloads the plug-in or exits.
void FreeAuf2(Auf2Module& module);
// The table behind the module's entry point.
FilterPluginTable* TableOf(void* entry);

// An object's image as the host holds it, and what the plug-in did with it.
struct HostImage {
  int width = 0, height = 0;     // what ObjectInfo reports
  std::vector<PixelRGBA> pixels;  // width x height, or fewer when the host cannot hand that many over
  int gets = 0, sets = 0;         // calls of get_image_data and set_image_data
  bool bad_call = false;          // set_image_data with another size, or a get the host could not serve
};

// Random pixels, alpha included, from `seed`.
HostImage MakeImage(int width, int height, uint64_t seed);

// One call of `proc` on the image, from the calling thread, through the
// host's records.
using VideoProc = std::function<bool(ProcVideo*)>;
bool ProcessImage(const VideoProc& proc, HostImage& image);
// The same through the table's func_proc_video.
bool ProcessImage(const FilterPluginTable& table, HostImage& image);

// The item at `index` of the table's list, taken as what its type says.
TrackItem& TrackAt(const FilterPluginTable& table, int index);
CheckItem& CheckAt(const FilterPluginTable& table, int index);

uint64_t HashImage(const HostImage& image);
