#pragma once
// Session facts with answers a test chooses.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "components/SessionFacts.h"

namespace tallyvane::testing {

class FakeSessionFacts : public SessionFacts {
 public:
  std::string LoggedOnUser(std::uint32_t SessionId) override {
    askedSessions.push_back(SessionId);
    return SessionId == 0xFFFFFFFF ? "alice" : "user" + std::to_string(SessionId);
  }
  std::string AccountSidText(std::string_view Machine, std::string_view Account) override {
    return Machine.empty() ? "SID of " + std::string(Account) : "";
  }
  TSessionTypes DetectSessionTypes() override { return types; }
  OSVersionFacts OSVersion() override { return os; }
  WriterFacts Writer() override { return writer; }

  std::vector<std::uint32_t> askedSessions;
  TSessionTypes types{stLocal, stVBOX};
  OSVersionFacts os{2, 10, 0, 19045, "Service Pack 1"};
  WriterFacts writer{"Tallyvane Journal",
                     "0.1.0.0",
                     "© 2026 Tallyvane",
                     "Windows 10",
                     "Professional",
                     "PC-01",
                     "jana",
                     true,
                     "192.168.1.5, 10.0.0.2",
                     4242,
                     46000.5 + 1234.0 / 86400000.0};
};

}  // namespace tallyvane::testing
