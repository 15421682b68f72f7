#pragma once
// An accounts double: SIDs known by their text form answer with a name and a
// domain; every look-up is recorded with the system it was asked on. Header
// only, so that fuzz targets can use it without the test library.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/Accounts.h"

namespace tallyvane::testing {

class FakeAccounts : public platform::Accounts {
 public:
  void add(const std::string& sidText, std::string name, std::string domain) {
    known_[sidText] = {std::move(name), std::move(domain)};
  }

  bool lookupAccountSid(std::string_view system, std::span<const std::byte> sid, std::string& name,
                        std::string& domain, platform::SidNameUse& use) override {
    const std::string text = SidToText(sid);
    lookups.emplace_back(std::string(system), text);
    const auto it = known_.find(text);
    if (it == known_.end())
      return false;
    name = it->second.first;
    domain = it->second.second;
    use = platform::SidNameUse::User;
    return true;
  }
  bool lookupAccountName(std::string_view, std::string_view, std::vector<std::byte>&, std::string&,
                         platform::SidNameUse&) override {
    return false;
  }

  // (system, SID text) of every look-up, in order.
  std::vector<std::pair<std::string, std::string>> lookups;

 private:
  std::map<std::string, std::pair<std::string, std::string>> known_;
};

}  // namespace tallyvane::testing
