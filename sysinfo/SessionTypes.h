#pragma once
// The kinds of session the system tells apart, and the small bit set that
// holds them (and the component layer's other sets).
#include <cstdint>
#include <initializer_list>

namespace tallyvane {

// A set of the members of an enumeration whose ordinals fit in `Bits`; member n
// is bit n, as the stored and passed-around set values expect.
template <typename Enum, typename Bits>
class TSmallSet {
 public:
  constexpr TSmallSet() = default;
  constexpr TSmallSet(std::initializer_list<Enum> members) {
    for (Enum m : members)
      Include(m);
  }
  static constexpr TSmallSet FromBits(Bits bits) {
    TSmallSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr Bits ToBits() const { return bits_; }
  constexpr bool Contains(Enum m) const { return (bits_ & bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr void Include(Enum m) { bits_ = static_cast<Bits>(bits_ | bit(m)); }
  constexpr void Exclude(Enum m) { bits_ = static_cast<Bits>(bits_ & ~bit(m)); }
  friend constexpr bool operator==(TSmallSet, TSmallSet) = default;

 private:
  static constexpr Bits bit(Enum m) { return static_cast<Bits>(Bits{1} << static_cast<int>(m)); }
  Bits bits_ = 0;
};

// The kinds of session the system tells apart.
enum TSessionType : std::uint8_t {
  stLocal,
  stVMWare,
  stVPC,
  stVBOX,
  stQEMU,
  stTerminal,
  stCitrix,
};
using TSessionTypes = TSmallSet<TSessionType, std::uint8_t>;

}  // namespace tallyvane
