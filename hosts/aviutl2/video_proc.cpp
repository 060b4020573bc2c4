#include "hosts/aviutl2/video_proc.h"

#include <cstddef>
#include <memory>
#include <new>

#include "hosts/aviutl2/plugin_table.h"
#include "quorlin/quorlin.h"

namespace {

// What a host thread keeps between frames: the controls as last read (a
// control the host hands no number keeps its value), the filter object with
// its working memory, and the buffer the image is sharpened in, grown when a
// larger image comes and then reused. The host may call from several threads
// at once, each with its own.
struct Instance {
  QuorlinSettings settings;
  QuorlinFilter* filter = nullptr;
  std::unique_ptr<PixelRGBA[]> image;
  size_t capacity = 0;

  Instance() { quorlin_default_settings(&settings, QUORLIN_API_VERSION); }
  ~Instance() { quorlin_filter_free(&filter); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Room for `pixels` pixels, or null when it cannot be had.
  PixelRGBA* Reserve(size_t pixels) {
    if (pixels > capacity) {
      image.reset(new (std::nothrow) PixelRGBA[pixels]);
      capacity = image ? pixels : 0;
    }
    return image.get();
  }
};

thread_local Instance instance;

// The library's work on the image, with the controls as last read:
// sharpened in place, alpha untouched.
bool Sharpen(Instance& self, PixelRGBA* image, int width, int height) {
  const QuorlinStatus ready = self.filter ? quorlin_filter_set_settings(self.filter, &self.settings)
                                          : quorlin_filter_new(&self.filter, &self.settings);
  return ready == QUORLIN_OK &&
         quorlin_filter_sharpen_rgb(self.filter, &image->r, ptrdiff_t{width} * ptrdiff_t{sizeof(PixelRGBA)}, 4, width,
                                    height) == QUORLIN_OK;
}

}  // namespace

bool ProcVideoFrame(ProcVideo* video) {
  if (!video || !video->object || !video->get_image_data || !video->set_image_data) return false;
  Instance& self = instance;
  ReadControls(self.settings);
  const int width = video->object->width;
  const int height = video->object->height;
  if (width <= 0 || height <= 0) return true;
  PixelRGBA* image = self.Reserve(size_t(width) * size_t(height));
  if (!image) return false;
  video->get_image_data(image);
  if (!Sharpen(self, image, width, height)) return false;
  video->set_image_data(image, width, height);
  return true;
}
