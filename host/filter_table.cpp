// The filter's definition as the host reads it. The host decodes every string
// as Shift-JIS (code page 932), so the names are stored as those bytes.
#include "host/filter_table.h"

#include "host/frame_proc.h"

namespace {

// 0x00040000: the host reads `information` only when this bit is set.
constexpr int kFlagExInformation = 0x00040000;

const char* track_names[kTrackCount] = {
    "\x82\xda\x82\xa9\x82\xb5\x95\x9d",  // ぼかし幅
    "\x96\xbe\x8b\xad\x93\x78",          // 明強度
    "\x96\xbe\xe8\x87\x92\x6c",          // 明閾値
    "\x96\xbe\x4c\x69\x6d\x69\x74",      // 明Limit
    "\x90\x46\x8b\xad\x93\x78",          // 色強度
    "\x90\x46\xe8\x87\x92\x6c",          // 色閾値
    "\x90\x46\x4c\x69\x6d\x69\x74",      // 色Limit
};
int track_defaults[kTrackCount] = {2, 64, 0, 0, 32, 0, 0};
int track_minima[kTrackCount] = {1, 0, 0, -32, 0, 0, 0};
int track_maxima[kTrackCount] = {10, 256, 500, 32, 256, 500, 32};

const char* check_names[kCheckCount] = {
    "\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x8c\x81\x5b\x83\x58\x8f\x88\x97\x9d",  // インターレース処理
    "\x8b\x50\x93\x78\x82\xcc\x82\xdd",                                          // 輝度のみ
    "\x90\xa7\x8c\xc0\x92\x6c\x82\xa0\x82\xe8",                                  // 制限値あり
};
int check_defaults[kCheckCount] = {0, 1, 0};

// Constant-initialised: the record is complete before any code of the
// library runs, and every field not named here is zero.
FILTER_DLL filter_table = {
    .flag = kFlagExInformation,
    .name = "Quorlin",
    .track_n = kTrackCount,
    .track_name = track_names,
    .track_default = track_defaults,
    .track_s = track_minima,
    .track_e = track_maxima,
    .check_n = kCheckCount,
    .check_name = check_names,
    .check_default = check_defaults,
    .func_proc = FrameProc,
    // "Quorlin SIMDフィルタ version 0.01"
    .information = "Quorlin SIMD\x83\x74\x83\x42\x83\x8b\x83\x5e version 0.01",
};

}  // namespace

FILTER_DLL* GetFilterTable(void) { return &filter_table; }
