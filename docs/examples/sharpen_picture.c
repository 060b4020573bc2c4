/* Sharpens a picture as a host does: one filter object, made once, and each
 * frame passed to it with the controls that frame is to have. */
#include <quorlin/quorlin.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

enum { kWidth = 64, kHeight = 48 };

int main(void) {
  /* How the filter runs, fixed for the object's life: here the defaults
   * (a worker per processor, the best instruction set level, malloc). */
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  QuorlinFilter *filter = NULL;
  if (quorlin_filter_new(&filter, &settings) != QUORLIN_OK) return 1;

  /* An RGBA picture: a dark square on a light ground. */
  uint8_t *rgba = malloc(kWidth * kHeight * 4);
  if (!rgba) return 1;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const int x = i % kWidth, y = i / kWidth;
    const uint8_t grey = x >= 16 && x < 48 && y >= 12 && y < 36 ? 60 : 200;
    rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = grey;
    rgba[4 * i + 3] = 255;
  }
  QuorlinPicture picture = {0};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_RGB8;
  picture.rgb = (QuorlinRgbPicture){rgba, kWidth * 4, 4, kWidth, kHeight};

  /* Each frame's controls go with the call; any thread may make it. */
  QuorlinSettings controls = settings;
  for (int frame = 0; frame < 3; ++frame) {
    controls.radius = 1 + frame;
    controls.luma_strength = 64 + 64 * frame;
    const QuorlinStatus status = quorlin_filter_apply(filter, &picture, &controls);
    if (status != QUORLIN_OK) {
      fprintf(stderr, "quorlin: %s\n", quorlin_status_string(status));
      return 1;
    }
  }

  /* Across the square's left edge on row 24: the light side lighter, the
   * dark side darker. */
  const uint8_t *row = rgba + 24 * kWidth * 4;
  printf("across the edge: %d %d\n", row[15 * 4], row[16 * 4]);
  const int steeper = row[15 * 4] > 200 && row[16 * 4] < 60;
  free(rgba);
  quorlin_filter_free(&filter);
  return steeper ? 0 : 1;
}
