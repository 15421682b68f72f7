#pragma once
// Bounds-checked little-endian reads over untrusted bytes. Every read checks
// the offset in 64-bit arithmetic before touching memory and reports failure
// instead of reading outside the span.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace tallyvane {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  std::span<const std::byte> bytes() const { return bytes_; }

  bool has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::optional<std::uint8_t> u8(std::uint64_t offset) const { return read<std::uint8_t>(offset); }
  std::optional<std::uint16_t> u16(std::uint64_t offset) const {
    return read<std::uint16_t>(offset);
  }
  std::optional<std::uint32_t> u32(std::uint64_t offset) const {
    return read<std::uint32_t>(offset);
  }
  std::optional<std::uint64_t> u64(std::uint64_t offset) const {
    return read<std::uint64_t>(offset);
  }

  // The sub-span [offset, offset + length), or nothing when it is not all inside.
  std::optional<std::span<const std::byte>> slice(std::uint64_t offset,
                                                  std::uint64_t length) const {
    if (!has(offset, length))
      return std::nullopt;
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }

  // Everything from `offset` to the end (empty when offset is past the end).
  std::span<const std::byte> tail(std::uint64_t offset) const {
    if (offset >= bytes_.size())
      return {};
    return bytes_.subspan(static_cast<std::size_t>(offset));
  }

 private:
  template <typename T>
#if defined(__GNUC__)
  // A load and a compare: the readers call this for every field they read.
  [[gnu::always_inline]]
#endif
  std::optional<T>
  read(std::uint64_t offset) const {
    if (!has(offset, sizeof(T)))
      return std::nullopt;
    T value = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&value, bytes_.data() + offset, sizeof(T));
    } else {
      for (std::size_t i = 0; i < sizeof(T); ++i) {
        value = static_cast<T>(value | (static_cast<T>(std::to_integer<std::uint8_t>(
                                            bytes_[static_cast<std::size_t>(offset) + i]))
                                        << (8 * i)));
      }
    }
    return value;
  }

  std::span<const std::byte> bytes_;
};

// Little-endian appends, for the writers of binary formats.
class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(static_cast<std::byte>(v)); }
  void u16(std::uint16_t v) { put(v, 2); }
  void u32(std::uint32_t v) { put(v, 4); }
  void u64(std::uint64_t v) { put(v, 8); }
  void bytes(std::span<const std::byte> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void zeros(std::size_t n) { out_.insert(out_.end(), n, std::byte{0}); }
  void padTo(std::size_t alignment) {
    while (out_.size() % alignment != 0)
      out_.push_back(std::byte{0});
  }
  // Overwrites 4 bytes at `offset` (which must already be written).
  void patchU32(std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out_[offset + i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
  }
  std::size_t size() const { return out_.size(); }
  std::vector<std::byte>& data() { return out_; }
  std::vector<std::byte> take() { return std::move(out_); }

 private:
  void put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
      out_.push_back(static_cast<std::byte>((v >> (8 * i)) & 0xFF));
  }
  std::vector<std::byte> out_;
};

}  // namespace tallyvane
