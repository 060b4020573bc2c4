// The definition the host reads: every field, the names as the host decodes
// them, and the record's stability.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstring>
#include <string>

#include "hosts/aviutl/filter_table.h"
#include "controls.h"
#include "hosts/aviutl/frame_proc.h"

namespace {

// Decodes bytes the way the host does: code page 932.
#if defined(_WIN32)
std::string FromCp932(const char* bytes) {
  wchar_t wide[256];
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, -1, wide, 256);
  EXPECT_GT(n, 0) << "not valid CP932: " << bytes;
  char utf8[1024];
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
  return m > 0 ? std::string(utf8) : std::string();
}
#else
std::string FromCp932(const char* bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in(bytes), out(in.size() * 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t src_left = in.size(), dst_left = out.size();
  const size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  EXPECT_NE(rc, static_cast<size_t>(-1)) << "not valid CP932: " << in;
  out.resize(out.size() - dst_left);
  return out;
}
#endif

TEST(FilterTable, NamesDecodeAsTheControlsTheHostShows) {
  const FILTER_DLL* t = GetFilterTable();
  EXPECT_STREQ(t->name, "Quorlin");
  EXPECT_EQ(FromCp932(t->information), "Quorlin SIMDフィルタ version 0.01");

  const char* tracks[] = {"ぼかし幅", "明強度", "明閾値", "明Limit", "色強度", "色閾値", "色Limit"};
  const size_t track_bytes[] = {8, 6, 6, 7, 6, 6, 7};
  ASSERT_EQ(t->track_n, 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(FromCp932(t->track_name[i]), tracks[i]) << i;
    EXPECT_EQ(std::strlen(t->track_name[i]), track_bytes[i]) << i;
  }
  const char* checks[] = {"インターレース処理", "輝度のみ", "制限値あり"};
  const size_t check_bytes[] = {18, 8, 10};
  ASSERT_EQ(t->check_n, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(FromCp932(t->check_name[i]), checks[i]) << i;
    EXPECT_EQ(std::strlen(t->check_name[i]), check_bytes[i]) << i;
  }
}

// The library's sliders, in its order, are the track bars; its switches the
// check boxes.
TEST(FilterTable, RangesAndDefaultsAreTheLibrarysControls) {
  const FILTER_DLL* t = GetFilterTable();
  QuorlinSettings s;
  int track = 0, check = 0;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    if (c.is_switch) {
      ASSERT_LT(check, t->check_n) << c.option;
      EXPECT_EQ(t->check_default[check], c.default_value) << c.option;
      *quorlin_setting(&s, id) = t->check_default[check++];
    } else {
      ASSERT_LT(track, t->track_n) << c.option;
      EXPECT_EQ(t->track_default[track], c.default_value) << c.option;
      EXPECT_EQ(t->track_s[track], c.minimum) << c.option;
      EXPECT_EQ(t->track_e[track], c.maximum) << c.option;
      *quorlin_setting(&s, id) = t->track_default[track++];
    }
  }
  EXPECT_EQ(track, t->track_n);
  EXPECT_EQ(check, t->check_n);

  // The defaults, as the library reads them, select luma alone, unbounded,
  // progressive.
  const quorlin::SharpenParams p = quorlin::MakeSharpenParams(s, quorlin::KernelsFor(quorlin::Isa::kC));
  EXPECT_FALSE(p.interlace);
  EXPECT_EQ(p.channels, 1);
  EXPECT_EQ(p.bound, quorlin::Bound::None);
}

TEST(FilterTable, OnlyTheFrameProcedureAndInformationAreRegistered) {
  const FILTER_DLL* t = GetFilterTable();
  EXPECT_EQ(t->flag, 0x00040000);
  EXPECT_EQ(t->x, 0);
  EXPECT_EQ(t->y, 0);
  EXPECT_EQ(t->func_proc, &FrameProc);
  EXPECT_EQ(t->func_init, nullptr);
  EXPECT_EQ(t->func_exit, nullptr);
  EXPECT_EQ(t->func_update, nullptr);
  EXPECT_EQ(t->func_WndProc, nullptr);
  EXPECT_EQ(t->track, nullptr);
  EXPECT_EQ(t->check, nullptr);
  EXPECT_EQ(t->ex_data_ptr, nullptr);
  EXPECT_EQ(t->ex_data_size, 0);
  for (void* p : t->reserved) EXPECT_EQ(p, nullptr);
}

TEST(FilterTable, SameRecordUnchangedOnEveryCall) {
  FILTER_DLL* first = GetFilterTable();
  FILTER_DLL before;
  std::memcpy(&before, first, sizeof before);
  EXPECT_EQ(GetFilterTable(), first);
  EXPECT_EQ(std::memcmp(&before, GetFilterTable(), sizeof before), 0);
}

}  // namespace
