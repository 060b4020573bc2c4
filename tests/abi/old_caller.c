/* A C program as it was built against the 2.0 header, kept word for word:
 * its declarations are its own, not the header's, so that it goes on
 * running against every later 2.x library exactly as a caller built then
 * would. The settings are filled in the middle of a larger buffer whose
 * bytes past the 2.0 struct must stay as they were. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef struct {
  int16_t y, cb, cr;
} Pixel;
typedef struct {
  Pixel *pixels;
  int width, height;
  int pitch;
} Frame;
typedef struct {
  unsigned version;
  int radius, luma_strength, luma_threshold, luma_limit, chroma_strength, chroma_threshold, chroma_limit;
  int interlace, luma_only, limit_mode, threads;
  const void *allocator;
  int isa;
} Settings20;
typedef struct Filter Filter;

unsigned quorlin_version(void);
const char *quorlin_status_string(int status);
int quorlin_default_settings(Settings20 *settings, unsigned version);
int quorlin_sharpen(const Frame *frame, const Settings20 *settings);
int quorlin_filter_new(Filter **filter, const Settings20 *settings);
int quorlin_filter_set_settings(Filter *filter, const Settings20 *settings);
int quorlin_filter_sharpen(Filter *filter, const Frame *frame);
void quorlin_filter_free(Filter **filter);

enum { kWidth = 48, kHeight = 32, kGuard = 64, kVersion20 = 2 << 16 };

static int Fail(const char *what) {
  fprintf(stderr, "FAILED: %s\n", what);
  return 1;
}

static void Checkerboard(Pixel *pixels) {
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const Pixel p = {(i % kWidth / 8 + i / kWidth / 8) % 2 ? 3000 : 1000, 0, 0};
    pixels[i] = p;
  }
}

int main(void) {
  if (quorlin_version() >> 16 != 2 || quorlin_version() < kVersion20) return Fail("not a 2.x library");
  if (!quorlin_status_string(0)) return Fail("no status text");

  union {
    Settings20 settings;
    unsigned char bytes[sizeof(Settings20) + kGuard];
  } buffer;
  memset(buffer.bytes, 0xA5, sizeof buffer.bytes);
  if (quorlin_default_settings(&buffer.settings, kVersion20) != 0) return Fail("2.0 settings refused");
  for (size_t i = sizeof(Settings20); i < sizeof buffer.bytes; ++i) {
    if (buffer.bytes[i] != 0xA5) return Fail("the library wrote past the 2.0 settings");
  }
  Settings20 settings = buffer.settings;
  if (settings.version != kVersion20 || settings.radius != 2 || settings.luma_only != 1 || settings.allocator) {
    return Fail("not the 2.0 defaults");
  }
  settings.radius = 3;
  settings.luma_strength = 128;

  static Pixel once[kWidth * kHeight], kept[kWidth * kHeight];
  Checkerboard(once);
  Checkerboard(kept);
  const Frame frame = {once, kWidth, kHeight, kWidth}, frame_kept = {kept, kWidth, kHeight, kWidth};
  Filter *filter = NULL;
  if (quorlin_sharpen(&frame, &settings) != 0) return Fail("quorlin_sharpen");
  if (quorlin_filter_new(&filter, &settings) != 0 || quorlin_filter_set_settings(filter, &settings) != 0 ||
      quorlin_filter_sharpen(filter, &frame_kept) != 0) {
    return Fail("the filter object");
  }
  quorlin_filter_free(&filter);
  if (memcmp(once, kept, sizeof once) != 0) return Fail("the filter object and quorlin_sharpen differ");
  /* Either side of the edge between columns 7 and 8: steeper. */
  if (!(once[7].y < 1000 && once[8].y > 3000)) return Fail("the edge was not sharpened");
  printf("a 2.0 caller runs against library %u.%u\n", quorlin_version() >> 16, quorlin_version() & 0xFFFF);
  return 0;
}
