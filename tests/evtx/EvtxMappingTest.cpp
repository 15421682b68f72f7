// The mapping of one .evtx event (as the parser renders it) to the
// EVENTLOGRECORD fields the classic API gives for it.
#include <gtest/gtest.h>

#include <map>

#include "eventlog/Orvex_EventLogNT.h"
#include "platform/Accounts.h"
#include "platform/EvtxEventMapping.h"

namespace tallyvane::platform {
namespace {

// The System part of an event as Windows renders it; `change` replaces whole
// elements by name (an empty text drops the element).
std::string systemXml(const std::map<std::string, std::string>& change = {}) {
  const std::vector<std::pair<std::string, std::string>> base = {
      {"Provider", R"(<Provider Name="EventLog"/>)"},
      {"EventID", R"(<EventID Qualifiers="32768">6009</EventID>)"},
      {"Version", "<Version>0</Version>"},
      {"Level", "<Level>4</Level>"},
      {"Task", "<Task>0</Task>"},
      {"Opcode", "<Opcode>0</Opcode>"},
      {"Keywords", "<Keywords>0x0080000000000000</Keywords>"},
      {"TimeCreated", R"(<TimeCreated SystemTime="2025-06-03T00:42:34.934910100Z"/>)"},
      {"EventRecordID", "<EventRecordID>2</EventRecordID>"},
      {"Correlation", "<Correlation/>"},
      {"Execution", R"(<Execution ProcessID="2624" ThreadID="2696"/>)"},
      {"Channel", "<Channel>System</Channel>"},
      {"Computer", "<Computer>NIKOLAI-BSDBOH4</Computer>"},
      {"Security", "<Security/>"},
  };
  std::string out = "  <System>\n";
  for (const auto& [name, element] : base) {
    const auto found = change.find(name);
    const std::string& text = found == change.end() ? element : found->second;
    if (!text.empty())
      out += "    " + text + "\n";
  }
  return out + "  </System>\n";
}

std::string eventXml(const std::string& system, const std::string& body) {
  return "<Event xmlns=\"http://schemas.microsoft.com/win/2004/08/events/event\">\n" + system +
         body + "</Event>\n";
}

EvtxEventValues valuesWithXml(std::string xml) {
  EvtxEventValues v;
  v.identifier = 7;
  v.writtenTime = 133933849549349101ULL;  // 2025-06-03 00:42:34.93 UTC
  v.xml = std::move(xml);
  return v;
}

TEST(EvtxMapping, MapsEveryFieldOfAClassicEvent) {
  const std::string body =
      "  <EventData>\n    <Data>10.00.</Data>\n    <Data>26100</Data>\n    <Data/>\n"
      "    <Data>Multiprocessor Free</Data>\n    <Data>0</Data>\n"
      "    <Binary>412C0AE9</Binary>\n  </EventData>\n";
  const auto event = mapEvtxEvent(valuesWithXml(eventXml(
      systemXml({{"Security", R"(<Security UserID="S-1-5-18"/>)"}, {"Task", "<Task>3</Task>"}}),
      body)));
  const auto& f = event.fields;
  EXPECT_EQ(f.eventId, 0x80001779u);
  EXPECT_EQ(f.eventType, kEventLogInformationType);
  EXPECT_EQ(f.eventCategory, 3);
  EXPECT_EQ(f.sourceName, "EventLog");
  EXPECT_EQ(f.computerName, "NIKOLAI-BSDBOH4");
  EXPECT_EQ(f.timeGenerated, 1748911354u);  // 2025-06-03 00:42:34 UTC
  EXPECT_EQ(f.timeWritten, 1748911354u);
  const std::uint32_t system[] = {18};
  EXPECT_EQ(f.userSid, makeSid(5, system));
  EXPECT_EQ(f.strings,
            (std::vector<std::string>{"10.00.", "26100", "", "Multiprocessor Free", "0"}));
  EXPECT_EQ(DataToHex(f.data), "41,2C,0A,E9");
  EXPECT_EQ(event.eventRecordId, 2u);
  EXPECT_EQ(event.headerIdentifier, 7u);
  EXPECT_EQ(event.channel, "System");
}

TEST(EvtxMapping, EventTypeFollowsLevelAndAuditKeywords) {
  struct Case {
    int level;
    const char* keywords;
    std::uint16_t type;
  };
  const Case cases[] = {
      {1, "0x8000000000000000", kEventLogErrorType},  // critical
      {2, "0x8000000000000000", kEventLogErrorType},
      {3, "0x8000000000000000", kEventLogWarningType},
      {4, "0x8000000000000000", kEventLogInformationType},
      {0, "0x8000000000000000", kEventLogInformationType},
      {5, "0x8000000000000000", kEventLogInformationType},  // verbose
      {0, "0x8020000000000000", kEventLogAuditSuccess},
      {0, "0x8010000000000000", kEventLogAuditFailure},
      {4, "0x8010000000000000", kEventLogAuditFailure},
  };
  for (const auto& c : cases) {
    const auto event = mapEvtxEvent(valuesWithXml(
        eventXml(systemXml({{"Level", "<Level>" + std::to_string(c.level) + "</Level>"},
                            {"Keywords", std::string("<Keywords>") + c.keywords + "</Keywords>"}}),
                 "")));
    EXPECT_EQ(event.fields.eventType, c.type) << "level " << c.level << " keywords " << c.keywords;
  }
}

TEST(EvtxMapping, EventIdJoinsQualifiersAsTheClassicApiDoes) {
  struct Case {
    const char* element;
    std::uint32_t id;
  };
  const Case cases[] = {
      {R"(<EventID Qualifiers="32768">6005</EventID>)", 0x80001775},
      {R"(<EventID Qualifiers="49152">7000</EventID>)", 0xC0001B58},
      {R"(<EventID Qualifiers="0">10016</EventID>)", 10016},
      {"<EventID>42</EventID>", 42},
  };
  for (const auto& c : cases) {
    const auto event =
        mapEvtxEvent(valuesWithXml(eventXml(systemXml({{"EventID", c.element}}), "")));
    EXPECT_EQ(event.fields.eventId, c.id) << c.element;
  }
}

TEST(EvtxMapping, SourceIsTheEventSourceNameWhereTheProviderHasOne) {
  struct Case {
    const char* provider;
    const char* source;
  };
  const Case cases[] = {
      {R"(<Provider Name="Microsoft-Windows-DistributedCOM" Guid="{1B562E86-B7AA-4131-BADC-B6F3A001407E}" EventSourceName="DCOM"/>)",
       "DCOM"},
      {R"(<Provider Name="Microsoft-Windows-Kernel-Power" Guid="{331C3B3A-2005-44C2-AC5E-77220C37D6B4}"/>)",
       "Microsoft-Windows-Kernel-Power"},
      {R"(<Provider Name="Service Control Manager" EventSourceName=""/>)",
       "Service Control Manager"},
  };
  for (const auto& c : cases) {
    const auto event =
        mapEvtxEvent(valuesWithXml(eventXml(systemXml({{"Provider", c.provider}}), "")));
    EXPECT_EQ(event.fields.sourceName, c.source) << c.provider;
  }
}

TEST(EvtxMapping, UnexpectedShutdownCarriesItsTimeAndDateFirst) {
  const auto event = mapEvtxEvent(valuesWithXml(
      eventXml(systemXml({{"EventID", R"(<EventID Qualifiers="32768">6008</EventID>)"},
                          {"Level", "<Level>2</Level>"}}),
               "  <EventData>\n    <Data>2:41:02 AM</Data>\n    <Data>\xE2\x80\x8E"
               "5/\xE2\x80\x8E"
               "29/\xE2\x80\x8E"
               "2023</Data>\n    <Data/>\n    <Data/>\n    <Data>41</Data>\n"
               "    <Binary>E707050001001D00</Binary>\n  </EventData>\n")));
  ASSERT_GE(event.fields.strings.size(), 2u);
  EXPECT_EQ(event.fields.strings[0], "2:41:02 AM");
  EXPECT_EQ(event.fields.strings[1], "\u200e5/\u200e29/\u200e2023");
  EXPECT_EQ(event.fields.strings.size(), 5u);
  EXPECT_EQ(event.fields.data.size(), 8u);
  EXPECT_EQ(event.fields.eventType, kEventLogErrorType);
  EXPECT_EQ(event.fields.eventId, 0x80001778u);
}

TEST(EvtxMapping, UserDataGivesItsValuesInOrder) {
  const auto event = mapEvtxEvent(valuesWithXml(eventXml(
      systemXml(),
      "  <UserData>\n    <ChangeInfo xmlns=\"http://manifests.microsoft.com/win/2004/08/"
      "windows/eventlog\">\n      <Old>a</Old>\n      <Group><New>b &amp; c</New><Empty/></Group>\n"
      "    </ChangeInfo>\n  </UserData>\n")));
  EXPECT_EQ(event.fields.strings, (std::vector<std::string>{"a", "b & c", ""}));
}

TEST(EvtxMapping, DecodesReferencesInTextAndAttributes) {
  const auto event = mapEvtxEvent(valuesWithXml(
      eventXml(systemXml({{"Computer", "<Computer>PC&#45;1</Computer>"},
                          {"Provider", R"(<Provider Name="A &quot;B&quot; &lt;C&gt;"/>)"}}),
               "<EventData><Data>x-&gt;y &#x20AC; &amp;amp; &bogus; &</Data>"
               "<Data><![CDATA[<raw>]]></Data></EventData>")));
  EXPECT_EQ(event.fields.computerName, "PC-1");
  EXPECT_EQ(event.fields.sourceName, "A \"B\" <C>");
  EXPECT_EQ(event.fields.strings,
            (std::vector<std::string>{"x->y \u20AC &amp; &bogus; &", "<raw>"}));
}

TEST(EvtxMapping, TimesComeFromCreationAndWrittenTime) {
  auto v = valuesWithXml(eventXml(
      systemXml({{"TimeCreated", R"(<TimeCreated SystemTime="2017-03-23T05:03:27.110359000Z"/>)"}}),
      ""));
  v.writtenTime = 131347190071569390ULL;  // 2017-03-23 05:03:27.156 UTC
  auto f = mapEvtxEvent(v).fields;
  EXPECT_EQ(f.timeGenerated, 1490245407u);
  EXPECT_EQ(f.timeWritten, 1490245407u);

  // Without a creation time both are the written time; without either, 0.
  v.xml = eventXml(systemXml({{"TimeCreated", ""}}), "");
  v.writtenTime = 131347190071569390ULL + 30 * 10'000'000ULL;
  f = mapEvtxEvent(v).fields;
  EXPECT_EQ(f.timeGenerated, 1490245437u);
  EXPECT_EQ(f.timeWritten, 1490245437u);
  v.writtenTime.reset();
  f = mapEvtxEvent(v).fields;
  EXPECT_EQ(f.timeGenerated, 0u);
}

TEST(EvtxMapping, XmlTimesAndFileTimesConvertToUnixSeconds) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> seconds;
  };
  const Case cases[] = {
      {"1970-01-01T00:00:00Z", 0u},           {"1970-01-02T00:00:00.9999999Z", 86400u},
      {"2000-02-29T12:00:00Z", 951825600u},   {"2106-02-07T06:28:15Z", 0xFFFFFFFFu},
      {"2200-01-01T00:00:00Z", 0xFFFFFFFFu},   // clamped
      {"1601-01-01T00:00:00.000000000Z", 0u},  // clamped
      {"2017-13-01T00:00:00Z", std::nullopt}, {"2017-03-23 05:03:27", 1490245407u},
      {"2017-03-23", std::nullopt},           {"garbage-not-a-time!", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(evtxXmlTimeToUnix(c.text), c.seconds) << c.text;
  EXPECT_EQ(fileTimeToUnixSeconds(116444736000000000ULL), 0u);
  EXPECT_EQ(fileTimeToUnixSeconds(0), 0u);
  EXPECT_EQ(fileTimeToUnixSeconds(116444736000000000ULL + 86400ULL * 10'000'000ULL), 86400u);
  EXPECT_EQ(fileTimeToUnixSeconds(~0ULL), 0xFFFFFFFFu);
}

TEST(EvtxMapping, SidTextBecomesTheBinarySid) {
  struct Case {
    const char* text;
    const char* roundTrip;  // SidToText of the result; empty: no SID
  };
  const Case cases[] = {
      {"S-1-5-18", "S-1-5-18"},
      {"S-1-5-21-2734620643-388806886-1402829879-1001",
       "S-1-5-21-2734620643-388806886-1402829879-1001"},
      {"S-1-5-32-544", "S-1-5-32-544"},
      {"S-1-5-4294967295", "S-1-5-4294967295"},
      {"S-1-0x010200000000", "S-1-12"},  // the authority in hexadecimal
      {"S-1-5", "S-1-5"},
      {"S-1-5-4294967296", ""},
      {"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", ""},  // 16 sub-authorities
      {"S-2-5-18", ""},
      {"S-1-5--18", ""},
      {"", ""},
      {"NT AUTHORITY\\SYSTEM", ""},
  };
  for (const auto& c : cases) {
    const auto sid = sidFromText(c.text);
    EXPECT_EQ(SidToText(sid), c.roundTrip) << c.text;
    if (*c.roundTrip != '\0') {
      EXPECT_TRUE(isValidSid(sid)) << c.text;
    }
  }
}

TEST(EvtxMapping, BinaryDataIsTakenOnlyFromWellFormedHex) {
  EXPECT_EQ(bytesFromHex("00ff7A"),
            (std::vector<std::byte>{std::byte{0}, std::byte{0xFF}, std::byte{0x7A}}));
  EXPECT_TRUE(bytesFromHex("ABC").empty());
  EXPECT_TRUE(bytesFromHex("GG").empty());
  EXPECT_TRUE(bytesFromHex("").empty());
}

TEST(EvtxMapping, UsesTheParsersValuesWhenThereIsNoXml) {
  EvtxEventValues v;
  v.identifier = 12;
  v.writtenTime = 116444736000000000ULL + 1000ULL * 10'000'000ULL;
  v.eventIdentifier = 6006;
  v.qualifiers = 32768;
  v.level = 3;
  v.sourceName = "EventLog";
  v.computerName = "PC";
  v.userSid = "S-1-5-19";
  v.strings = {"a", "", "b"};
  const auto event = mapEvtxEvent(v);
  EXPECT_EQ(event.fields.eventId, 0x80001776u);
  EXPECT_EQ(event.fields.eventType, kEventLogWarningType);
  EXPECT_EQ(event.fields.sourceName, "EventLog");
  EXPECT_EQ(event.fields.computerName, "PC");
  EXPECT_EQ(SidToText(event.fields.userSid), "S-1-5-19");
  EXPECT_EQ(event.fields.strings, v.strings);
  EXPECT_EQ(event.fields.timeGenerated, 1000u);
  EXPECT_EQ(event.fields.timeWritten, 1000u);
  EXPECT_FALSE(event.eventRecordId.has_value());
  EXPECT_EQ(event.headerIdentifier, 12u);
  EXPECT_TRUE(event.channel.empty());
}

TEST(EvtxMapping, SurvivesBrokenXml) {
  // Truncated, unbalanced, deeply nested and empty texts: the mapping keeps
  // what it could read and falls back to the parser's values for the rest.
  const std::string whole = eventXml(systemXml(), "<EventData><Data>x</Data></EventData>");
  std::string deep = "<Event><System><EventID>5</EventID></System><UserData>";
  for (int i = 0; i < 5000; ++i)
    deep += "<a>";
  const std::string inputs[] = {
      whole.substr(0, whole.size() / 2),
      "<",
      "<Event",
      "<Event a=\"1>",
      "<<<>>>",
      "&#xFFFFFFFFF;",
      "<Event><System><EventID>70000</EventID></System></Event>",
      deep,
      std::string(3, '\0'),
  };
  for (const auto& input : inputs) {
    auto v = valuesWithXml(input);
    v.eventIdentifier = 99;
    v.sourceName = "Fallback";
    const auto event = mapEvtxEvent(v);
    EXPECT_FALSE(event.fields.sourceName.empty()) << input.substr(0, 40);
  }
  auto half = valuesWithXml(whole.substr(0, whole.find("<Channel>")));
  const auto event = mapEvtxEvent(half);
  EXPECT_EQ(event.fields.eventId, 0x80001779u);
  EXPECT_EQ(event.eventRecordId, 2u);
}

}  // namespace
}  // namespace tallyvane::platform
