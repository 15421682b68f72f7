#pragma once
// Pictures decoded with the Windows Imaging Component.
#include <windows.h>

#include <cstddef>
#include <span>

#include "Win32Handles.h"

namespace tallyvane {

struct TDecodedPicture {
  UniqueBitmap Bitmap;  // a 32-bit top-down DIB section
  int Width = 0;
  int Height = 0;
};

// Decodes an encoded picture (JPEG, PNG, BMP...) held in memory. COM must be
// initialised on the calling thread. Throws when the bytes cannot be decoded.
TDecodedPicture DecodePicture(std::span<const std::byte> Encoded);

// The bytes of a resource of type RCDATA in this program (empty when missing).
std::span<const std::byte> ProgramResource(int Id);

}  // namespace tallyvane
