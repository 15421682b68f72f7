#include "app/qt/JpegImage.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace tallyvane {

namespace {

constexpr JDIMENSION kMaxSide = 16384;

// libjpeg reports fatal errors through error_exit, which by default ends the
// process. We jump back to the decoder instead; no C++ object with a destructor
// lives in the frames the jump leaves.
struct JumpingErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Decodes into `Pixels` (RGB, rows top to bottom). Kept free of C++ objects
// with destructors, because a libjpeg error jumps back into this frame.
bool DecodeRgb(const unsigned char* Bytes, unsigned long Size, std::vector<unsigned char>* Pixels,
               int* Width, int* Height) {
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpOnError;
  errors.pub.output_message = IgnoreMessage;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, Bytes, Size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || cinfo.image_width == 0 ||
      cinfo.image_height == 0 || cinfo.image_width > kMaxSide || cinfo.image_height > kMaxSide) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
  Pixels->assign(stride * cinfo.output_height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = Pixels->data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  *Width = static_cast<int>(cinfo.output_width);
  *Height = static_cast<int>(cinfo.output_height);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& Data) {
  if (Data.isEmpty()) {
    return {};
  }
  std::vector<unsigned char> pixels;
  int width = 0;
  int height = 0;
  if (!DecodeRgb(reinterpret_cast<const unsigned char*>(Data.constData()),
                 static_cast<unsigned long>(Data.size()), &pixels, &width, &height)) {
    return {};
  }
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) {
    return {};
  }
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * width * 3,
                static_cast<std::size_t>(width) * 3);
  }
  return image;
}

}  // namespace tallyvane
