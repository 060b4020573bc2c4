// RGB rows a pixel at a time, by the rules themselves.
#include "kernels/rgb_rows.h"

#include "convert/rgb_yc.h"

namespace quorlin::c {

void RgbToYcRow(const uint8_t* rgb, int channels, int n, QuorlinPixel* yc) {
  for (int x = 0; x < n; ++x, rgb += channels) yc[x] = RgbToYc({rgb[0], rgb[1], rgb[2]});
}

void YcToRgbRow(const QuorlinPixel* yc, int n, int channels, uint8_t* rgb) {
  for (int x = 0; x < n; ++x, rgb += channels) {
    const Rgb8 c = YcToRgb(yc[x]);
    rgb[0] = c.r, rgb[1] = c.g, rgb[2] = c.b;
  }
}

}  // namespace quorlin::c
