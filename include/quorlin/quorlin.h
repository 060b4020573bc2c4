/*
 * Quorlin: a bit-exact unsharp-mask filter for video frames.
 *
 * A frame is rows of pixels, each three signed 16-bit samples Y, Cb, Cr in
 * the editor's units: Y runs 0..4096 from black to white, Cb and Cr
 * -2048..2048 (values outside pass through the arithmetic all the same).
 * quorlin_sharpen() blurs it with a (2r+1) x (2r+1) box and moves every
 * sample away from its blur by a fraction of the difference wherever that
 * exceeds a threshold, in place. Every machine gives the same samples.
 *
 * A filter object (quorlin_filter_new) is made once for a stream, with how
 * the filter runs: threads, allocator, instruction set level. Then one call,
 * quorlin_filter_apply, sharpens any picture (an editor frame, YUV planes,
 * an 8- or 16-bit RGB picture) with the ten controls given with it. Any
 * number of threads may call it at once on one object; the object keeps a
 * small pool of working memory, so that a host that keeps one object
 * allocates nothing once its pictures stop growing.
 *
 * The conversions turn 8-bit RGB pictures and YUV video planes into editor
 * frames and back, so that every host gets the same samples. The stateless
 * calls and the typed quorlin_filter_sharpen* calls of 2.0 remain, each the
 * same path as quorlin_filter_apply.
 *
 * Every call returns a status (but those that cannot fail); no C++ exception
 * leaves the library. On any status but QUORLIN_OK the output is as it was.
 *
 * Usable from C and C++. Functions never keep a pointer they are given,
 * but for a filter object's allocator: its hooks are copied, and its
 * `opaque` must serve until the object is freed.
 *
 * Versions: a program built against this header runs with every later 2.x
 * library. Structs the caller fills start with `version`: the library reads
 * only the fields that version had, and quorlin_default_settings writes only
 * those.
 */
#ifndef QUORLIN_QUORLIN_H
#define QUORLIN_QUORLIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) || !defined(__GNUC__)
#define QUORLIN_API
#else
#define QUORLIN_API __attribute__((visibility("default")))
#endif

#define QUORLIN_VERSION_MAJOR 2
#define QUORLIN_VERSION_MINOR 1
/* A version as one number: major in the high 16 bits, minor in the low. */
#define QUORLIN_MAKE_VERSION(major, minor) (((unsigned)(major) << 16) | (unsigned)(minor))
/* The version of this header, for quorlin_default_settings. */
#define QUORLIN_API_VERSION QUORLIN_MAKE_VERSION(QUORLIN_VERSION_MAJOR, QUORLIN_VERSION_MINOR)

/* The library's version, as QUORLIN_MAKE_VERSION gives it: the library run,
 * not the header built against. */
QUORLIN_API unsigned quorlin_version(void);

typedef enum QuorlinStatus {
  QUORLIN_OK = 0,
  QUORLIN_BAD_ARGUMENT = 1,  /* a null pointer, a size out of range: nothing was touched */
  QUORLIN_OUT_OF_MEMORY = 2  /* working memory could not be had: nothing was touched */
} QuorlinStatus;

/* One line of English for a QuorlinStatus ("unknown status" for any other
 * value); lives as long as the library. */
QUORLIN_API const char *quorlin_status_string(int status);

/* One pixel, as the editor lays it out: 6 bytes. */
typedef struct QuorlinPixel {
  int16_t y, cb, cr;
} QuorlinPixel;

/* A frame of width x height pixels; row k starts `pitch` pixels after row
 * k - 1. Frames hold at most QUORLIN_MAX_FRAME_BYTES (pitch x height x 6). */
typedef struct QuorlinFrame {
  QuorlinPixel *pixels;
  int width, height;
  int pitch;
} QuorlinFrame;

#define QUORLIN_MAX_FRAME_BYTES 2147483647

/* Instruction set levels, from the lowest: C, SSE2, AVX2 (the values keep
 * the meaning they had before C joined, so they are not in that order).
 * Every level gives the same samples. */
typedef enum QuorlinIsa {
  QUORLIN_ISA_BEST = 0,  /* the best the processor and operating system run */
  QUORLIN_ISA_SSE2 = 1,  /* 128-bit vectors: every x86 processor since 2003 */
  QUORLIN_ISA_AVX2 = 2,  /* 256-bit vectors */
  QUORLIN_ISA_C = 3      /* portable C++: every processor */
} QuorlinIsa;

/* Working memory; alloc returns NULL on failure. Blocks need no particular
 * alignment. */
typedef struct QuorlinAllocator {
  void *(*alloc)(void *opaque, size_t bytes);
  void (*release)(void *opaque, void *block);
  void *opaque;
} QuorlinAllocator;

/* The controls, in the editor's units, and how the filter runs. Values out
 * of a control's range are clamped (see QuorlinControl); a switch is on when
 * non-zero. Fill it with quorlin_default_settings, then change what you
 * need; later 2.x versions add fields at the end only. */
typedef struct QuorlinSettings {
  unsigned version;      /* the header's QUORLIN_API_VERSION, set by quorlin_default_settings */
  int radius;            /* 1..10: the blur window is (2 radius + 1) squared */
  int luma_strength;     /* 0..256: adds strength/256 of a sample's difference from its blur */
  int luma_threshold;    /* 0..500: differences of at most twice this stay as they are */
  int luma_limit;        /* -32..32: with limit_mode, how far 16 x this leaves the 3x3 range */
  int chroma_strength;   /* the same for Cb and Cr, when luma_only is off */
  int chroma_threshold;
  int chroma_limit;      /* 0..32 in the editor, -32..32 accepted */
  int interlace;         /* blur and bound each field (every other row) on its own */
  int luma_only;         /* leave Cb and Cr untouched */
  int limit_mode;        /* hold every sample inside its 3x3 neighbourhood's range, widened by the limit */
  int threads;           /* worker threads; 0: one per processor */
  const QuorlinAllocator *allocator; /* NULL: the system's allocator; a filter object copies it */
  int isa;               /* the highest instruction set level to use (QuorlinIsa), lowered to what the
                          * processor runs and by the environment variable QUORLIN_ISA ("c", "sse2"
                          * or "avx2", in any case) */
} QuorlinSettings;

/* The level a call asking for `requested` (a QuorlinIsa) uses. */
QUORLIN_API QuorlinIsa quorlin_isa(int requested);

/* The editor's defaults: radius 2, luma strength 64, chroma strength 32,
 * thresholds and limits 0, luma only; one thread per processor, the best
 * instruction set level, the system's allocator. Pass QUORLIN_API_VERSION:
 * only the fields of that version are written. QUORLIN_BAD_ARGUMENT for a
 * null pointer or a version this library cannot serve (another major
 * version, or a later minor one). */
QUORLIN_API QuorlinStatus quorlin_default_settings(QuorlinSettings *settings, unsigned version);

/* Sharpens the frame in place. On any status but QUORLIN_OK the frame is as
 * it was. Samples outside width x height are never read or written. Safe to
 * call from several threads at once on different frames. Allocates its
 * working memory for this call alone: a host with many frames keeps a
 * filter object instead. */
QUORLIN_API QuorlinStatus quorlin_sharpen(const QuorlinFrame *frame, const QuorlinSettings *settings);

/* The controls, in the order of QuorlinSettings and of the editor's track
 * bars (radius .. chroma_limit) and check boxes (interlace .. limit_mode). */
typedef enum QuorlinControlId {
  QUORLIN_RADIUS,
  QUORLIN_LUMA_STRENGTH,
  QUORLIN_LUMA_THRESHOLD,
  QUORLIN_LUMA_LIMIT,
  QUORLIN_CHROMA_STRENGTH,
  QUORLIN_CHROMA_THRESHOLD,
  QUORLIN_CHROMA_LIMIT,
  QUORLIN_INTERLACE,
  QUORLIN_LUMA_ONLY,
  QUORLIN_LIMIT_MODE,
  QUORLIN_CONTROL_COUNT
} QuorlinControlId;

typedef struct QuorlinControl {
  const char *option;       /* "radius", "luma-strength", ...: the command line's --option */
  const char *editor_name;  /* the editor's label, in UTF-8 */
  const char *description;  /* one line of English */
  int is_switch;            /* a check box: 0 off, anything else on */
  int minimum, maximum;     /* the editor's range (0..1 for a switch) */
  int default_value;
  /* The filter clamps a value to [clamp_minimum, clamp_maximum] and works
   * in value x scale sample units (thresholds: twice the value, limits: 16
   * times). */
  int clamp_minimum, clamp_maximum, scale;
} QuorlinControl;

/* Control `id` (NULL when id is out of range). */
QUORLIN_API const QuorlinControl *quorlin_control(int id);
/* The field of `settings` that control `id` sets (NULL when id is out of range). */
QUORLIN_API int *quorlin_setting(QuorlinSettings *settings, int id);

/* 8-bit RGB pictures: rows of `channels` bytes a pixel (3: R, G, B; 4: R, G,
 * B and a fourth byte, alpha, that is neither read nor written), `stride`
 * bytes apart, width x height as the frame's. BT.601 with exact arithmetic
 * rounded to nearest: every 8-bit colour comes back from a round trip
 * unchanged; samples beyond the nominal range clamp to 0..255 on the way
 * back. The conversions read the instruction set level and the allocator
 * of `settings` (NULL: the defaults'), and no other field. */
QUORLIN_API QuorlinStatus quorlin_rgb_to_yc(const uint8_t *rgb, ptrdiff_t stride, int channels,
                                            const QuorlinFrame *frame, const QuorlinSettings *settings);
QUORLIN_API QuorlinStatus quorlin_yc_to_rgb(const QuorlinFrame *frame, uint8_t *rgb, ptrdiff_t stride,
                                            int channels, const QuorlinSettings *settings);

/* Sharpens a width x height RGB picture in place: the bytes that
 * quorlin_rgb_to_yc, quorlin_sharpen and quorlin_yc_to_rgb would give, but
 * converted and sharpened row by row on all worker threads with working
 * memory of a few rows per thread. On any status but QUORLIN_OK the picture
 * is as it was. */
QUORLIN_API QuorlinStatus quorlin_sharpen_rgb(uint8_t *rgb, ptrdiff_t stride, int channels, int width, int height,
                                              const QuorlinSettings *settings);

/* The same on a 16-bit RGB picture: rows of `channels` (3 or 4) samples of
 * two bytes a pixel in the machine's byte order, 0..65535, `stride` bytes
 * apart (rgb and stride even). The conversions are quorlin_rgb_to_yc's
 * with 65535 for white, exact and rounded to nearest; a pixel whose samples
 * the filter leaves as they were read keeps its original colour, so that an
 * unchanged picture comes back bit for bit. A fourth sample, alpha, is
 * neither read nor written. */
QUORLIN_API QuorlinStatus quorlin_sharpen_rgb16(uint16_t *rgb, ptrdiff_t stride, int channels, int width, int height,
                                                const QuorlinSettings *settings);

/* YUV planes of 8 to 16 bits (two bytes a sample above 8, in the machine's
 * byte order), 4:4:4, 4:2:2 or 4:2:0. Limited range maps Y 16..235 to 0..4096 and
 * Cb, Cr 16..240 to -2048..2048 at 8 bits (the same codes times 2^(depth-8)
 * above); full range maps Y 0..2^depth - 1 to 0..4096, and Cb, Cr so that
 * 2^(depth-1) is 0 and the full span of codes is 4096 editor units. Values
 * are rounded to nearest; codes above the depth's largest read as it. 4:2:0
 * chroma covers its 2x2 block, and 4:2:2 chroma its horizontal pair (both
 * clipped at the picture's edge), and comes back as their mean, rounded to
 * nearest (halves away from zero). Going back, a sample whose value
 * is what its code read as gets its code again, so an unchanged picture
 * comes back bit for bit. */
typedef struct QuorlinPlanes {
  void *data[3];        /* Y, Cb, Cr; Cb and Cr may be NULL where chroma is not read nor written */
  ptrdiff_t stride[3];  /* bytes from one row to the next */
  int width, height;    /* of the picture, in luma samples */
  int depth;            /* 8..16 bits */
  int chroma_shift_x;   /* 1: a chroma sample for each horizontal pair of luma samples (4:2:2, 4:2:0), else 0 */
  int chroma_shift_y;   /* 1: and for each vertical pair (4:2:0, with chroma_shift_x 1), else 0 */
  int full_range;       /* 0: limited range, else full range */
} QuorlinPlanes;

/* The frame has the planes' width and height. With `chroma` 0 the frame's Cb
 * and Cr are set to 0 and the chroma planes are not read (they may be NULL).
 * `settings` as for the RGB conversions. */
QUORLIN_API QuorlinStatus quorlin_yuv_to_yc(const QuorlinPlanes *planes, int chroma, const QuorlinFrame *frame,
                                            const QuorlinSettings *settings);
/* The planes hold the picture as it was read. With `chroma` 0 the chroma
 * planes are left as they are (they may be NULL). */
QUORLIN_API QuorlinStatus quorlin_yc_to_yuv(const QuorlinFrame *frame, int chroma, const QuorlinPlanes *planes,
                                            const QuorlinSettings *settings);

/* Sharpens the planes in place: the samples that quorlin_yuv_to_yc,
 * quorlin_sharpen and quorlin_yc_to_yuv would give (chroma when luma_only is
 * off; with luma_only on, the chroma planes are not touched and may be
 * NULL), but converted and sharpened row by row on all worker threads, with
 * working memory of a few rows per thread (and, for 4:2:0 chroma, half a
 * frame of it). On any status but QUORLIN_OK the planes are as they were. */
QUORLIN_API QuorlinStatus quorlin_sharpen_planes(const QuorlinPlanes *planes, const QuorlinSettings *settings);

/* A filter object: the settings, clamped and checked once, the kernels of
 * the level chosen once, and a pool of working memory kept between calls,
 * each part grown when a picture needs more and otherwise reused. Its calls
 * give the samples of the stateless calls above.
 *
 * Threads: quorlin_filter_apply and the typed quorlin_filter_sharpen* calls
 * may be made by any number of threads at once on one object, each call
 * spreading its own work over the object's `threads` workers.
 * quorlin_filter_set_settings and quorlin_filter_free must not overlap any
 * other call on the object. */
typedef struct QuorlinFilter QuorlinFilter;

/* Makes *filter from the settings (whose allocator, if any, it copies; the
 * object itself lives in memory from it). Its controls are those a call
 * without controls of its own uses. On any status but QUORLIN_OK, *filter is
 * NULL. */
QUORLIN_API QuorlinStatus quorlin_filter_new(QuorlinFilter **filter, const QuorlinSettings *settings);
/* New controls, threads and level for the calls that follow; the working
 * memory stays. The allocator stays the one the object was made with: the
 * settings' allocator is checked as in any call, but not used. On
 * QUORLIN_BAD_ARGUMENT the object keeps its settings. Must not overlap any
 * other call on the object. */
QUORLIN_API QuorlinStatus quorlin_filter_set_settings(QuorlinFilter *filter, const QuorlinSettings *settings);
/* quorlin_sharpen, quorlin_sharpen_planes, quorlin_sharpen_rgb and
 * quorlin_sharpen_rgb16 with the object's settings and memory: each is
 * quorlin_filter_apply with the object's own controls. */
QUORLIN_API QuorlinStatus quorlin_filter_sharpen(QuorlinFilter *filter, const QuorlinFrame *frame);
QUORLIN_API QuorlinStatus quorlin_filter_sharpen_planes(QuorlinFilter *filter, const QuorlinPlanes *planes);
QUORLIN_API QuorlinStatus quorlin_filter_sharpen_rgb(QuorlinFilter *filter, uint8_t *rgb, ptrdiff_t stride,
                                                     int channels, int width, int height);
QUORLIN_API QuorlinStatus quorlin_filter_sharpen_rgb16(QuorlinFilter *filter, uint16_t *rgb, ptrdiff_t stride,
                                                       int channels, int width, int height);
/* Frees the object and its memory and sets *filter to NULL; NULL or a
 * pointer to NULL does nothing. */
QUORLIN_API void quorlin_filter_free(QuorlinFilter **filter);

/* Since 2.1: one picture type for every kind the filter takes, and one call
 * for all of them. */

/* An RGB picture: rows of `channels` samples a pixel (3: R, G, B; 4: and a
 * fourth, alpha, neither read nor written), `stride` bytes apart. The
 * samples are bytes (QUORLIN_PICTURE_RGB8: see quorlin_sharpen_rgb) or
 * two-byte words in the machine's byte order, `pixels` and `stride` even
 * (QUORLIN_PICTURE_RGB16: see quorlin_sharpen_rgb16). */
typedef struct QuorlinRgbPicture {
  void *pixels;
  ptrdiff_t stride;
  int channels;
  int width, height;
} QuorlinRgbPicture;

typedef enum QuorlinPictureKind {
  QUORLIN_PICTURE_FRAME = 1,   /* member frame: the editor's pixels */
  QUORLIN_PICTURE_PLANES = 2,  /* member planes: YUV planes of 8 to 16 bits */
  QUORLIN_PICTURE_RGB8 = 3,    /* member rgb, one byte a sample */
  QUORLIN_PICTURE_RGB16 = 4    /* member rgb, two bytes a sample */
} QuorlinPictureKind;

/* Zero it, set `version` to QUORLIN_API_VERSION and `kind`, then fill the
 * member the kind names; the others are not read. */
typedef struct QuorlinPicture {
  unsigned version;
  int kind;  /* a QuorlinPictureKind */
  QuorlinFrame frame;
  QuorlinPlanes planes;
  QuorlinRgbPicture rgb;
} QuorlinPicture;

/* Sharpens the picture in place with the ten controls of `controls` (radius
 * to limit_mode; NULL: the object's own). Threads, allocator and level stay
 * those the object was made with: the other fields of `controls` are not
 * read. The samples are those of the stateless call for the same kind of
 * picture; with luma_only on, the chroma planes of a QUORLIN_PICTURE_PLANES
 * picture are not touched and may be NULL. On any status but QUORLIN_OK the
 * picture is as it was. Any number of threads may call it at once on one
 * object. */
QUORLIN_API QuorlinStatus quorlin_filter_apply(QuorlinFilter *filter, const QuorlinPicture *picture,
                                               const QuorlinSettings *controls);

#ifdef __cplusplus
}
#endif

#endif
