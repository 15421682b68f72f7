#pragma once
// Owners of the GDI and USER handles the window makes, each freed once by its
// own call.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace tallyvane {

struct GdiObjectDeleter {
  void operator()(void* Object) const { ::DeleteObject(static_cast<HGDIOBJ>(Object)); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniquePen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct DcDeleter {
  void operator()(HDC Dc) const { ::DeleteDC(Dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

struct AcceleratorDeleter {
  void operator()(HACCEL Table) const { ::DestroyAcceleratorTable(Table); }
};
using UniqueAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

struct IconDeleter {
  void operator()(HICON Icon) const { ::DestroyIcon(Icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

struct WindowDeleter {
  void operator()(HWND Window) const { ::DestroyWindow(Window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct GlobalDeleter {
  void operator()(HGLOBAL Memory) const { ::GlobalFree(Memory); }
};
using UniqueGlobal = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, GlobalDeleter>;

// Selects an object into a device context for the scope and puts the previous
// one back.
class SelectedObject {
 public:
  SelectedObject(HDC Dc, HGDIOBJ Object) : FDc(Dc), FOld(::SelectObject(Dc, Object)) {}
  ~SelectedObject() {
    if (FOld) {
      ::SelectObject(FDc, FOld);
    }
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC FDc;
  HGDIOBJ FOld;
};

// Releases a COM interface pointer.
template <class T>
struct ComReleaser {
  void operator()(T* Object) const { Object->Release(); }
};
template <class T>
using ComPtr = std::unique_ptr<T, ComReleaser<T>>;

}  // namespace tallyvane
