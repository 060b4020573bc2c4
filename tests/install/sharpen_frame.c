/* Sharpens one frame through the installed library: a checkerboard of dark
 * and light squares, whose edges get steeper: the dark side of an edge gets
 * darker, the light side lighter. */
#include <quorlin/quorlin.h>
#include <stdio.h>
#include <stdlib.h>

int main(void) {
  enum { kWidth = 64, kHeight = 48 };
  QuorlinPixel *pixels = calloc(kWidth * kHeight, sizeof *pixels);
  if (!pixels) return 1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x].y = (x / 8 + y / 8) % 2 ? 3000 : 1000;
  }
  const QuorlinFrame frame = {pixels, kWidth, kHeight, kWidth};
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.radius = 3;
  settings.luma_strength = 128;

  const QuorlinStatus status = quorlin_sharpen(&frame, &settings);
  /* Either side of the edge between columns 7 and 8 of the first row. */
  printf("status %d; across an edge: %d %d\n", (int)status, pixels[7].y, pixels[8].y);
  const int steeper = pixels[7].y < 1000 && pixels[8].y > 3000;
  free(pixels);
  return status == QUORLIN_OK && steeper ? 0 : 1;
}
