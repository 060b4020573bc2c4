// Every public call of the installed library, with the heap refusing blocks
// from each size class up: through the allocator hook, and through this
// program's operator new, which throws for the same sizes while the library
// runs. A call may fail only with QUORLIN_OUT_OF_MEMORY, leaving its output
// as it was; no exception may leave it; a call that succeeds gives the
// samples it gives with all the memory it wants.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tests/counting_allocator.h"

namespace {

// While armed, operator new throws for blocks of `refuse_from` bytes or more.
std::atomic<bool> armed{false};
std::atomic<size_t> refuse_from{SIZE_MAX};

}  // namespace

void* operator new(size_t bytes) {
  if (armed && bytes >= refuse_from) throw std::bad_alloc();
  if (void* block = std::malloc(bytes ? bytes : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

constexpr int kWidth = 640, kHeight = 360;

// The buffers a call reads and writes, all compared after it.
struct Buffers {
  std::vector<QuorlinPixel> pixels;
  std::vector<uint8_t> rgb, yuv;
  bool operator==(const Buffers& o) const {
    return rgb == o.rgb && yuv == o.yuv &&
           std::equal(pixels.begin(), pixels.end(), o.pixels.begin(), o.pixels.end(), [](auto a, auto b) {
             return a.y == b.y && a.cb == b.cb && a.cr == b.cr;
           });
  }
  QuorlinFrame Frame() { return {pixels.data(), kWidth, kHeight, kWidth}; }
  QuorlinPlanes Planes(int shift) {
    uint8_t* y = yuv.data();
    const int cw = kWidth >> shift, size = cw * (kHeight >> shift);
    return {{y, y + kWidth * kHeight, y + kWidth * kHeight + size}, {kWidth, cw, cw}, kWidth, kHeight, 8, shift, shift, 0};
  }
};

Buffers RandomBuffers() {
  std::mt19937 rng(1);
  Buffers b{std::vector<QuorlinPixel>(size_t(kWidth) * kHeight), std::vector<uint8_t>(size_t(kWidth) * kHeight * 4),
            std::vector<uint8_t>(size_t(kWidth) * kHeight * 3)};
  for (QuorlinPixel& p : b.pixels) p = {int16_t(rng() % 4097), int16_t(int(rng() % 4097) - 2048), int16_t(int(rng() % 4097) - 2048)};
  for (uint8_t& v : b.rgb) v = uint8_t(rng());
  for (uint8_t& v : b.yuv) v = uint8_t(16 + rng() % 220);
  return b;
}

using Call = std::function<QuorlinStatus(Buffers&, const QuorlinSettings&)>;

QuorlinSettings Settings(int luma_only, int limit_mode, int interlace) {
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  s.luma_only = luma_only;
  s.limit_mode = limit_mode;
  s.interlace = interlace;
  s.radius = 4;
  s.threads = 2;
  return s;
}

// A filter object made, used on two frames and freed, as a host uses one.
QuorlinStatus WithFilter(const QuorlinSettings& s, const std::function<QuorlinStatus(QuorlinFilter*)>& use) {
  QuorlinFilter* filter = nullptr;
  QuorlinStatus status = quorlin_filter_new(&filter, &s);
  if (status != QUORLIN_OK) return status;
  status = quorlin_filter_set_settings(filter, &s);
  if (status == QUORLIN_OK) status = use(filter);
  quorlin_filter_free(&filter);
  return status;
}

std::vector<std::pair<std::string, Call>> Calls() {
  std::vector<std::pair<std::string, Call>> calls = {
      {"rgb_to_yc", [](Buffers& b, const QuorlinSettings& s) {
         const QuorlinFrame f = b.Frame();
         return quorlin_rgb_to_yc(b.rgb.data(), kWidth * 4, 4, &f, &s);
       }},
      {"yc_to_rgb", [](Buffers& b, const QuorlinSettings& s) {
         const QuorlinFrame f = b.Frame();
         return quorlin_yc_to_rgb(&f, b.rgb.data(), kWidth * 3, 3, &s);
       }},
  };
  for (int shift : {0, 1}) {
    const std::string layout = shift ? " 4:2:0" : " 4:4:4";
    calls.push_back({"yuv_to_yc" + layout, [shift](Buffers& b, const QuorlinSettings& s) {
                       const QuorlinFrame f = b.Frame();
                       const QuorlinPlanes p = b.Planes(shift);
                       return quorlin_yuv_to_yc(&p, 1, &f, &s);
                     }});
    calls.push_back({"yc_to_yuv" + layout, [shift](Buffers& b, const QuorlinSettings& s) {
                       const QuorlinFrame f = b.Frame();
                       const QuorlinPlanes p = b.Planes(shift);
                       return quorlin_yc_to_yuv(&f, 1, &p, &s);
                     }});
    calls.push_back({"sharpen_planes" + layout, [shift](Buffers& b, const QuorlinSettings& s) {
                       const QuorlinPlanes p = b.Planes(shift);
                       return quorlin_sharpen_planes(&p, &s);
                     }});
    calls.push_back({"filter_sharpen_planes" + layout, [shift](Buffers& b, const QuorlinSettings& s) {
                       const QuorlinPlanes p = b.Planes(shift);
                       return WithFilter(s, [&](QuorlinFilter* f) { return quorlin_filter_sharpen_planes(f, &p); });
                     }});
  }
  calls.push_back({"sharpen", [](Buffers& b, const QuorlinSettings& s) {
                     const QuorlinFrame f = b.Frame();
                     return quorlin_sharpen(&f, &s);
                   }});
  calls.push_back({"sharpen_rgb", [](Buffers& b, const QuorlinSettings& s) {
                     return quorlin_sharpen_rgb(b.rgb.data(), kWidth * 4, 4, kWidth, kHeight, &s);
                   }});
  calls.push_back({"filter_sharpen", [](Buffers& b, const QuorlinSettings& s) {
                     const QuorlinFrame f = b.Frame();
                     return WithFilter(s, [&](QuorlinFilter* filter) { return quorlin_filter_sharpen(filter, &f); });
                   }});
  calls.push_back({"filter_sharpen_rgb", [](Buffers& b, const QuorlinSettings& s) {
                     return WithFilter(s, [&](QuorlinFilter* f) {
                       return quorlin_filter_sharpen_rgb(f, b.rgb.data(), kWidth * 3, 3, kWidth, kHeight);
                     });
                   }});
  // 16-bit RGB over the same bytes, read as two-byte samples.
  calls.push_back({"sharpen_rgb16", [](Buffers& b, const QuorlinSettings& s) {
                     auto* rgb = reinterpret_cast<uint16_t*>(b.rgb.data());
                     return quorlin_sharpen_rgb16(rgb, kWidth * 4, 4, kWidth / 2, kHeight, &s);
                   }});
  calls.push_back({"filter_sharpen_rgb16", [](Buffers& b, const QuorlinSettings& s) {
                     auto* rgb = reinterpret_cast<uint16_t*>(b.rgb.data());
                     return WithFilter(s, [&](QuorlinFilter* f) {
                       return quorlin_filter_sharpen_rgb16(f, rgb, kWidth * 4, 3, kWidth / 2, kHeight);
                     });
                   }});
  return calls;
}

TEST(HeapFailure, EveryCallFailsCleanlyAtEverySizeClass) {
  const Buffers original = RandomBuffers();
  for (const auto& [name, call] : Calls()) {
    for (auto [luma_only, limit_mode, interlace] : {std::tuple{1, 0, 0}, {0, 1, 1}}) {
      const QuorlinSettings plain = Settings(luma_only, limit_mode, interlace);
      Buffers want = original;
      ASSERT_EQ(call(want, plain), QUORLIN_OK) << name;
      // Blocks refused from 1 byte up, then from each power of 8 above.
      for (size_t limit = 1; limit <= (size_t{1} << 30); limit *= 8) {
        SCOPED_TRACE(testing::Message() << name << ", luma only " << luma_only << ", blocks of " << limit
                                        << " bytes and more refused");
        CountingAllocator allocator;
        allocator.refuse_from = limit;
        QuorlinSettings s = plain;
        s.allocator = &allocator.hooks;
        Buffers b = original;
        QuorlinStatus status = QUORLIN_BAD_ARGUMENT;
        refuse_from = limit;
        armed = true;
        try {
          status = call(b, s);
        } catch (...) {
          armed = false;
          ADD_FAILURE() << "an exception left the library";
        }
        armed = false;
        if (status == QUORLIN_OUT_OF_MEMORY) {
          EXPECT_TRUE(b == original) << "the output was touched";
        } else {
          EXPECT_EQ(status, QUORLIN_OK);
          EXPECT_TRUE(b == want) << "other samples than with all the memory wanted";
        }
        EXPECT_EQ(allocator.live, 0);
        // Every call but the RGB conversions needs memory.
        const bool needs_memory = name != "rgb_to_yc" && name != "yc_to_rgb";
        if (limit == 1 && needs_memory) {
          EXPECT_EQ(status, QUORLIN_OUT_OF_MEMORY);
        }
      }
    }
  }
}

}  // namespace
