#include "hosts/aviutl2/video_proc.h"

#include <cstddef>
#include <memory>
#include <new>

#include "hosts/aviutl2/plugin_table.h"
#include "hosts/module_filter.h"

namespace {

// What a host thread keeps between frames: the controls as last read (a
// control the host hands no number keeps its value) and the buffer the image
// is sharpened in, grown when a larger image comes and then reused.
struct HostThread {
  QuorlinSettings controls;
  std::unique_ptr<PixelRGBA[]> image;
  size_t capacity = 0;

  HostThread() { quorlin_default_settings(&controls, QUORLIN_API_VERSION); }

  // Room for `pixels` pixels, or null when it cannot be had.
  PixelRGBA* Reserve(size_t pixels) {
    if (pixels > capacity) {
      image.reset(new (std::nothrow) PixelRGBA[pixels]);
      capacity = image ? pixels : 0;
    }
    return image.get();
  }
};

thread_local HostThread host_thread;

}  // namespace

bool ProcVideoFrame(ProcVideo* video) {
  HostThread& self = host_thread;
  ReadControls(self.controls);
  return ProcVideoFrameWith(ModuleFilter(), self.controls, video);
}

bool ProcVideoFrameWith(QuorlinFilter* filter, const QuorlinSettings& controls, ProcVideo* video) {
  if (!video || !video->object || !video->get_image_data || !video->set_image_data) return false;
  const int width = video->object->width;
  const int height = video->object->height;
  if (width <= 0 || height <= 0) return true;
  if (!filter) return false;
  PixelRGBA* image = host_thread.Reserve(size_t(width) * size_t(height));
  if (!image) return false;
  video->get_image_data(image);
  // Sharpened in place, alpha untouched.
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_RGB8;
  picture.rgb = {&image->r, ptrdiff_t{width} * ptrdiff_t{sizeof(PixelRGBA)}, 4, width, height};
  if (quorlin_filter_apply(filter, &picture, &controls) != QUORLIN_OK) return false;
  video->set_image_data(image, width, height);
  return true;
}
