/* One filter object shared by four threads through the installed library,
 * each thread with controls of its own and a kind of picture of its own (an
 * editor frame, 10-bit 4:2:0 planes, 8-bit RGBA, 16-bit RGB), a new picture
 * every round. Every picture must come out as the stateless call for its
 * kind gives it. The first round is held until all four calls are under way
 * at once, so that the object's pool has working memory for each; after it,
 * no call may ask the allocator hook for a block. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <quorlin/quorlin.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kThreads = 4, kRounds = 8 };

/* The allocator hook: counts the blocks it hands out and those still out.
 * While `held` is above 0, each caller waits inside it until `held` callers
 * have come in. */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t all_in = PTHREAD_COND_INITIALIZER;
static int held;
static long blocks, live;

static void *counting_alloc(void *opaque, size_t bytes) {
  (void)opaque;
  pthread_mutex_lock(&lock);
  ++blocks;
  ++live;
  if (held > 0 && --held == 0) pthread_cond_broadcast(&all_in);
  while (held > 0) pthread_cond_wait(&all_in, &lock);
  pthread_mutex_unlock(&lock);
  return malloc(bytes);
}

static void counting_release(void *opaque, void *block) {
  (void)opaque;
  pthread_mutex_lock(&lock);
  --live;
  pthread_mutex_unlock(&lock);
  free(block);
}

static long counted(long *counter) {
  pthread_mutex_lock(&lock);
  const long value = *counter;
  pthread_mutex_unlock(&lock);
  return value;
}

static uint32_t next_random(uint32_t *state) {
  *state ^= *state << 13;
  *state ^= *state >> 17;
  *state ^= *state << 5;
  return *state;
}

/* One host thread's share: its kind of picture, its controls, its largest
 * size (the first round's; later rounds are no larger). */
typedef struct Host {
  int kind, width, height;
  QuorlinSettings controls;
  QuorlinFilter *filter;
  pthread_barrier_t *warm;
  int mismatches;
} Host;

/* A picture of the host's kind at `width` x `height` with random samples
 * in the kind's range, in one block of `*bytes` (padded rows). */
static unsigned char *make_picture(const Host *host, int width, int height, uint32_t *seed, QuorlinPicture *picture,
                                   size_t *bytes) {
  memset(picture, 0, sizeof *picture);
  picture->version = QUORLIN_API_VERSION;
  picture->kind = host->kind;
  const size_t w = (size_t)width, h = (size_t)height;
  const size_t chroma_w = (w + 1) / 2, chroma_h = (h + 1) / 2;
  switch (host->kind) {
    case QUORLIN_PICTURE_FRAME: *bytes = (w + 3) * h * sizeof(QuorlinPixel); break;
    case QUORLIN_PICTURE_PLANES: *bytes = (w * h + 2 * chroma_w * chroma_h) * 2; break;
    case QUORLIN_PICTURE_RGB8: *bytes = (w * 4 + 5) * h; break;
    default: *bytes = w * 6 * h; break;
  }
  unsigned char *data = malloc(*bytes);
  if (!data) return NULL;
  for (size_t i = 0; i < *bytes; ++i) data[i] = (unsigned char)next_random(seed);
  switch (host->kind) {
    case QUORLIN_PICTURE_FRAME: {
      QuorlinPixel *pixels = (QuorlinPixel *)data;
      for (size_t i = 0; i < (w + 3) * h; ++i) {
        pixels[i].y = (int16_t)(next_random(seed) % 4097);
        pixels[i].cb = (int16_t)(next_random(seed) % 4097 - 2048);
        pixels[i].cr = (int16_t)(next_random(seed) % 4097 - 2048);
      }
      picture->frame.pixels = pixels;
      picture->frame.width = width;
      picture->frame.height = height;
      picture->frame.pitch = width + 3;
      break;
    }
    case QUORLIN_PICTURE_PLANES: {
      uint16_t *samples = (uint16_t *)data;
      for (size_t i = 0; i < *bytes / 2; ++i) samples[i] &= 1023;
      QuorlinPlanes *planes = &picture->planes;
      planes->data[0] = samples;
      planes->data[1] = samples + w * h;
      planes->data[2] = samples + w * h + chroma_w * chroma_h;
      planes->stride[0] = (ptrdiff_t)(w * 2);
      planes->stride[1] = planes->stride[2] = (ptrdiff_t)(chroma_w * 2);
      planes->width = width;
      planes->height = height;
      planes->depth = 10;
      planes->chroma_shift_x = planes->chroma_shift_y = 1;
      break;
    }
    default: {
      QuorlinRgbPicture *rgb = &picture->rgb;
      rgb->pixels = data;
      rgb->channels = host->kind == QUORLIN_PICTURE_RGB8 ? 4 : 3;
      rgb->stride = (ptrdiff_t)(host->kind == QUORLIN_PICTURE_RGB8 ? w * 4 + 5 : w * 6);
      rgb->width = width;
      rgb->height = height;
    }
  }
  return data;
}

/* The stateless call for the picture's kind, on the copy `to` of the block
 * `from` that holds it. */
static QuorlinStatus sharpen_stateless(const QuorlinPicture *picture, const unsigned char *from, unsigned char *to,
                                       const QuorlinSettings *settings) {
  QuorlinFrame frame = picture->frame;
  QuorlinPlanes planes = picture->planes;
  const QuorlinRgbPicture *rgb = &picture->rgb;
  switch (picture->kind) {
    case QUORLIN_PICTURE_FRAME:
      frame.pixels = (QuorlinPixel *)to;
      return quorlin_sharpen(&frame, settings);
    case QUORLIN_PICTURE_PLANES:
      for (int p = 0; p < 3; ++p) planes.data[p] = to + ((const unsigned char *)planes.data[p] - from);
      return quorlin_sharpen_planes(&planes, settings);
    case QUORLIN_PICTURE_RGB8:
      return quorlin_sharpen_rgb(to, rgb->stride, rgb->channels, rgb->width, rgb->height, settings);
    default:
      return quorlin_sharpen_rgb16((uint16_t *)(void *)to, rgb->stride, rgb->channels, rgb->width,
                                   rgb->height, settings);
  }
}

static void *run_host(void *argument) {
  Host *host = argument;
  uint32_t seed = 0x9e3779b9u * (uint32_t)(host->kind + 1);
  for (int round = 0; round < kRounds; ++round) {
    if (round == 1) pthread_barrier_wait(host->warm);
    const int width = host->width - round % 3 * 7, height = host->height - round % 2 * 5;
    QuorlinPicture picture;
    size_t bytes;
    unsigned char *data = make_picture(host, width, height, &seed, &picture, &bytes);
    unsigned char *want = malloc(bytes);
    if (!data || !want) {
      ++host->mismatches;
    } else {
      memcpy(want, data, bytes);
      if (sharpen_stateless(&picture, data, want, &host->controls) != QUORLIN_OK ||
          quorlin_filter_apply(host->filter, &picture, &host->controls) != QUORLIN_OK || memcmp(data, want, bytes)) {
        ++host->mismatches;
      }
    }
    free(data);
    free(want);
  }
  return NULL;
}

int main(void) {
  static const QuorlinAllocator hooks = {counting_alloc, counting_release, NULL};
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.threads = 2;
  settings.allocator = &hooks;
  QuorlinFilter *filter = NULL;
  if (quorlin_filter_new(&filter, &settings) != QUORLIN_OK) return 1;

  pthread_barrier_t warm;
  pthread_barrier_init(&warm, NULL, kThreads + 1);
  Host hosts[kThreads] = {{.kind = QUORLIN_PICTURE_FRAME, .width = 203, .height = 121},
                          {.kind = QUORLIN_PICTURE_PLANES, .width = 161, .height = 91},
                          {.kind = QUORLIN_PICTURE_RGB8, .width = 180, .height = 100},
                          {.kind = QUORLIN_PICTURE_RGB16, .width = 150, .height = 83}};
  for (int t = 0; t < kThreads; ++t) {
    quorlin_default_settings(&hosts[t].controls, QUORLIN_API_VERSION);
    hosts[t].filter = filter;
    hosts[t].warm = &warm;
  }
  hosts[0].controls.radius = 3;
  hosts[0].controls.luma_strength = 128;
  hosts[0].controls.limit_mode = 1;
  hosts[0].controls.luma_limit = 2;
  hosts[1].controls.luma_only = 0;
  hosts[1].controls.chroma_strength = 200;
  hosts[1].controls.chroma_threshold = 3;
  hosts[1].controls.interlace = 1;
  hosts[2].controls.radius = 5;
  hosts[2].controls.luma_only = 0;
  hosts[2].controls.limit_mode = 1;
  hosts[2].controls.chroma_limit = 1;
  hosts[2].controls.luma_threshold = 4;
  hosts[3].controls.radius = 10;
  hosts[3].controls.luma_strength = 256;
  hosts[3].controls.interlace = 1;

  pthread_mutex_lock(&lock);
  held = kThreads;
  pthread_mutex_unlock(&lock);
  pthread_t threads[kThreads];
  for (int t = 0; t < kThreads; ++t) pthread_create(&threads[t], NULL, run_host, &hosts[t]);
  pthread_barrier_wait(&warm);
  const long warm_blocks = counted(&blocks);
  int failed = 0;
  for (int t = 0; t < kThreads; ++t) {
    pthread_join(threads[t], NULL);
    if (hosts[t].mismatches) {
      printf("host thread %d (picture kind %d): %d of %d pictures differ from the stateless call's\n", t,
             hosts[t].kind, hosts[t].mismatches, kRounds);
      failed = 1;
    }
  }
  const long later_blocks = counted(&blocks) - warm_blocks;
  quorlin_filter_free(&filter);
  pthread_barrier_destroy(&warm);
  printf("%d threads x %d pictures on one object: %ld blocks while warming up, %ld after, %ld left after free\n",
         kThreads, kRounds, warm_blocks, later_blocks, live);
  return failed || later_blocks != 0 || live != 0;
}
