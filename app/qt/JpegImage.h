#pragma once
// Decodes JPEG bytes with libjpeg (decompression only) into a QImage.
#include <QByteArray>
#include <QImage>

namespace tallyvane {

// The picture held in `Data`, as RGB; a null image when the bytes are no JPEG
// image libjpeg can decode or when the picture is larger than 16384 pixels on a side.
QImage DecodeJpeg(const QByteArray& Data);

}  // namespace tallyvane
