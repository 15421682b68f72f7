// Draws the About dialog's background picture and writes it as a JPEG file with
// libjpeg. Run by scripts/make-art.sh; the resulting file is committed.
//
// The picture is 520 x 317: a pale sky band behind the product name, a cream
// field below it, and on the left a large faint clock face with a weather
// vane's arrow and a tally of days, the motif of the program's icon.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 317;
constexpr int kSamples = 4;  // supersampling per axis for smooth edges

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double distToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  const double cx = ax + t * dx - px, cy = ay + t * dy - py;
  return std::sqrt(cx * cx + cy * cy);
}

const Rgb kCream{254, 255, 238};
const Rgb kSky{222, 235, 245};
const Rgb kInk{120, 160, 180};
const Rgb kVane{214, 140, 128};
const Rgb kTally{222, 190, 120};

// The colour of one sample point.
Rgb sample(double x, double y) {
  // Sky band fading into cream, and a soft glow under the product name.
  Rgb c = kCream;
  if (y < 74) {
    c = mix(kSky, kCream, std::pow(y / 74.0, 1.6));
  }
  const double glow =
      std::exp(-(((x - 180) / 260) * ((x - 180) / 260) + ((y - 20) / 50) * ((y - 20) / 50)));
  c = mix(c, Rgb{255, 255, 255}, 0.35 * glow);
  // A fine line where the sky meets the cream.
  if (y >= 72.5 && y < 73.5) {
    c = mix(c, kInk, 0.25);
  }

  // Clock face centred in the left field.
  const double cx = 96, cy = 170, radius = 66;
  const double d = std::hypot(x - cx, y - cy);
  if (d < radius) {
    c = mix(c, Rgb{255, 255, 255}, 0.45);
  }
  if (std::fabs(d - radius) < 2.0) {
    c = mix(c, kInk, 0.55);
  }
  if (std::fabs(d - (radius - 8)) < 0.6) {
    c = mix(c, kInk, 0.25);
  }
  // Twelve hour ticks, the quarters longer.
  for (int h = 0; h < 12; ++h) {
    const double a = h * M_PI / 6;
    const double inner = radius - (h % 3 == 0 ? 20 : 12);
    const double ax = cx + std::sin(a) * inner, ay = cy - std::cos(a) * inner;
    const double bx = cx + std::sin(a) * (radius - 5), by = cy - std::cos(a) * (radius - 5);
    if (distToSegment(x, y, ax, ay, bx, by) < (h % 3 == 0 ? 2.6 : 1.5)) {
      c = mix(c, kInk, 0.6);
    }
  }
  // The vane's arrow across the face, pointing to the upper right.
  const double angle = -40 * M_PI / 180;
  const double ux = std::cos(angle), uy = std::sin(angle);
  auto along = [&](double s, double t, double& px, double& py) {
    px = cx + ux * s - uy * t;
    py = cy + uy * s + ux * t;
  };
  double ax, ay, bx, by;
  along(-46, 0, ax, ay);
  along(44, 0, bx, by);
  if (distToSegment(x, y, ax, ay, bx, by) < 3.2) {
    c = mix(c, kVane, 0.8);
  }
  // Arrow head: a triangle in the arrow's own coordinates.
  const double rx = (x - cx) * ux + (y - cy) * uy;
  const double ry = -(x - cx) * uy + (y - cy) * ux;
  if (rx > 38 && rx < 58 && std::fabs(ry) < (58 - rx) * 0.6) {
    c = mix(c, kVane, 0.85);
  }
  // Feathered tail: two chevrons behind the shaft.
  for (const double back : {-54.0, -44.0}) {
    for (const double side : {-9.0, 9.0}) {
      if (distToSegment(rx, ry, back, side, back + 10, 0) < 2.4) {
        c = mix(c, kTally, 0.85);
      }
    }
  }
  if (std::hypot(x - cx, y - cy) < 5.5) {
    c = mix(c, kInk, 0.9);
  }

  // A tally of four strokes and a fifth across them, under the clock.
  for (int i = 0; i < 4; ++i) {
    const double tx = 62 + i * 20;
    if (distToSegment(x, y, tx, 250, tx, 274) < 2.6) {
      c = mix(c, kTally, 0.85);
    }
  }
  if (distToSegment(x, y, 52, 271, 134, 253) < 2.6) {
    c = mix(c, kTally, 0.85);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Rgb s = sample(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
          sum.r += s.r;
          sum.g += s.g;
          sum.b += s.b;
        }
      }
      const double n = kSamples * kSamples;
      unsigned char* p = &pixels[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = static_cast<unsigned char>(std::lround(sum.r / n));
      p[1] = static_cast<unsigned char>(std::lround(sum.g / n));
      p[2] = static_cast<unsigned char>(std::lround(sum.b / n));
    }
  }

  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &pixels[static_cast<size_t>(cinfo.next_scanline) * kWidth * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(out);
  return 0;
}
