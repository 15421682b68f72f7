#pragma once
// Who uses the machine and in what kind of session: the logged-on user of a
// session, the SID of an account, the session kinds, administrator rights and
// the machine's addresses.
#include <cstdint>
#include <string>
#include <string_view>

#include "sysinfo/SessionTypes.h"

namespace tallyvane {

struct TSystemSnapshot;

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
