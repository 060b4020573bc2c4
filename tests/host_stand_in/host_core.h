// What every stand-in host does with a plug-in module, whichever editor's
// records it speaks: load it by path and find its one entry point by name,
// free it, and play the host's whole life around its frames.
#pragma once

#include <cstdint>
#include <functional>

struct PluginModule {
  void* handle = nullptr;  // HMODULE or dlopen handle
  void* entry = nullptr;   // the exported entry point
};

// Loads the module at `path` and finds `entry_name`; on failure prints the
// loader's complaint and returns an empty PluginModule.
PluginModule LoadPlugin(const char* path, const char* entry_name);
// Frees the module, as a host does that unloads the plug-in or exits.
void FreePlugin(PluginModule& plugin);

// Runs the stand-in's default frame through a loaded module's entry point on
// the calling thread: the frame's hash, or 0 when the call failed.
using DefaultFrame = std::function<uint64_t(void* entry)>;

// The host's life with the module, when argv names one (else -1):
//
//   HOST MODULE cycles N PAUSE_MS
//     N times: load the module, run a frame, wait PAUSE_MS, free it. Then
//     loads it once more: it must still sharpen the frame as the first cycle
//     did, the process's threads must not have grown after the first cycle,
//     and it may burn next to no CPU in the second after its last frame.
//   HOST MODULE exit keep|free main|second
//     A frame on the main thread or on a second host thread (joined, as an
//     editor's export thread ends), the module freed or kept, then a return
//     from main at once: the process exits while the module's worker threads
//     may still be leaving the frame.
//
// Returns the exit status: 0 when every check held, 2 on a bad command line.
int RunLife(int argc, char** argv, const char* entry_name, const DefaultFrame& frame);

// The process's threads, every one counted.
int ThreadCount();
