#pragma once
// Who uses the machine and in what kind of session: the logged-on user of a
// session, the SID of an account, the session kinds, administrator rights and
// the machine's addresses.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tallyvane {

struct TSystemSnapshot;

// The kinds of session the system tells apart (member n is bit n of the set).
enum TSessionType : std::uint8_t {
  stLocal = 0,
  stVMWare = 1,
  stVPC = 2,
  stVBOX = 3,
  stQEMU = 4,
  stTerminal = 5,
  stCitrix = 6,
};

// A set of session kinds held in one byte (stLocal 0x01 up to stCitrix 0x40).
struct TSessionTypes {
  std::uint8_t Bits = 0;

  constexpr TSessionTypes() = default;
  constexpr explicit TSessionTypes(std::uint8_t bits) : Bits(bits) {}
  constexpr TSessionTypes(std::initializer_list<TSessionType> members) {
    for (TSessionType m : members)
      Include(m);
  }
  constexpr bool Contains(TSessionType member) const { return (Bits >> member) & 1U; }
  constexpr void Include(TSessionType member) {
    Bits = static_cast<std::uint8_t>(Bits | (1U << member));
  }
  constexpr bool Empty() const { return Bits == 0; }
  friend constexpr bool operator==(TSessionTypes, TSessionTypes) = default;
};

// The display name of one session kind ("Local", "VMWare", "VirtualPC", ...).
const char* SessionTypeName(TSessionType member);

// The names of the kinds present, in the order Local, Terminal, Citrix,
// VMWare, VirtualPC, VirtualBox, QEMU, joined by "+"; "" for the empty set.
std::string SessionTypesText(TSessionTypes types);

// The user logged on in session `SessionId` (-1 the current one), followed by
// "@" and the domain when that names a domain account; "" when nothing is found.
std::string LoggedOnUser(const TSystemSnapshot& snapshot, std::uint32_t SessionId);
std::string LoggedOnUser(std::uint32_t SessionId);

// The SID text of an account on `Machine` ("" the local one); "" on failure.
std::string AccountSidText(const TSystemSnapshot& snapshot, std::string_view Machine,
                           std::string_view Account);
std::string AccountSidText(std::string_view Machine, std::string_view Account);

// The kinds of the session the program runs in: the virtual disks found, a
// Citrix session, and then exactly one of stTerminal and stLocal.
TSessionTypes DetectSessionTypes(const TSystemSnapshot& snapshot);
TSessionTypes DetectSessionTypes();

// A process whose image name is `ImageName` (without regard to case) in
// session `SessionId`; -1 as the session asks for the current process's
// session and gives it back. The process identifier, or -1.
std::uint32_t FindProcessInSession(const TSystemSnapshot& snapshot, std::string_view ImageName,
                                   std::uint32_t& SessionId);

// The account a process runs as: its name and domain when the SID has a name,
// else the SID text and no domain. False when the process's token cannot be read.
bool ProcessOwner(const TSystemSnapshot& snapshot, std::uint32_t ProcessId, std::string& User,
                  std::string& Domain);

bool IsRemoteSession(const TSystemSnapshot& snapshot);
bool IsCitrixSession(const TSystemSnapshot& snapshot);
// Whether the current token holds the Administrators group (S-1-5-32-544).
bool IsAdministrator(const TSystemSnapshot& snapshot);
bool IsRemoteSession();
bool IsCitrixSession();
bool IsAdministrator();

// Whether a disk whose device name holds `Marker` (without regard to ASCII
// case) is enumerated under the IDE or else the SCSI keys.
bool HasVirtualDisk(const TSystemSnapshot& snapshot, std::string_view Marker);

// The IPv4 addresses of the host name in resolution order, dotted, joined by
// ","; "" when the name does not resolve.
std::string HostAddresses(const TSystemSnapshot& snapshot);
std::string HostAddresses();

}  // namespace tallyvane
