#include "WicPicture.h"

#include <wincodec.h>

#include <cstring>
#include <stdexcept>

namespace tallyvane {

namespace {

void Check(HRESULT Result, const char* What) {
  if (FAILED(Result)) {
    throw std::runtime_error(std::string("The picture could not be decoded: ") + What);
  }
}

}  // namespace

TDecodedPicture DecodePicture(std::span<const std::byte> Encoded) {
  if (Encoded.empty()) {
    throw std::runtime_error("The picture could not be decoded: no data");
  }
  IWICImagingFactory* rawFactory = nullptr;
  Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(&rawFactory)),
        "no imaging component");
  ComPtr<IWICImagingFactory> factory(rawFactory);

  IWICStream* rawStream = nullptr;
  Check(factory->CreateStream(&rawStream), "no stream");
  ComPtr<IWICStream> stream(rawStream);
  // The stream only reads the bytes; WIC's interface is not const-correct.
  auto* bytes = reinterpret_cast<BYTE*>(const_cast<std::byte*>(Encoded.data()));
  Check(stream->InitializeFromMemory(bytes, static_cast<DWORD>(Encoded.size())), "stream");

  IWICBitmapDecoder* rawDecoder = nullptr;
  Check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                         &rawDecoder),
        "unknown format");
  ComPtr<IWICBitmapDecoder> decoder(rawDecoder);
  IWICBitmapFrameDecode* rawFrame = nullptr;
  Check(decoder->GetFrame(0, &rawFrame), "no frame");
  ComPtr<IWICBitmapFrameDecode> frame(rawFrame);

  IWICBitmapSource* rawConverted = nullptr;
  Check(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), &rawConverted),
        "pixel format");
  ComPtr<IWICBitmapSource> converted(rawConverted);
  UINT width = 0, height = 0;
  Check(converted->GetSize(&width, &height), "size");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  TDecodedPicture picture;
  picture.Bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!picture.Bitmap || !pixels) {
    throw std::runtime_error("The picture could not be decoded: no memory for its pixels");
  }
  const UINT stride = width * 4;
  Check(converted->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels)),
        "pixels");
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  return picture;
}

std::span<const std::byte> ProgramResource(int Id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(Id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) {
    return {};
  }
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) {
    return {};
  }
  return {static_cast<const std::byte*>(data), ::SizeofResource(module, found)};
}

}  // namespace tallyvane
