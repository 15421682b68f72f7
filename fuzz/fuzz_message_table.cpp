// Message files and message texts on arbitrary input. The first byte picks
// what the rest is: a PE file with message tables, one MESSAGE_RESOURCE_DATA,
// or a message text (UTF-16LE) formatted with a few arguments.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/MessageFormatter.h"
#include "platform/MessageTable.h"
#include "platform/Unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  using namespace tallyvane::platform;
  const auto bytes = std::as_bytes(std::span<const std::uint8_t>(data + 1, size - 1));
  switch (data[0] % 3) {
    case 0: {
      const MessageFile file = MessageFile::fromBytes({bytes.begin(), bytes.end()});
      for (const std::uint16_t language : file.languages()) {
        for (const MessageEntry& entry : file.messages(language))
          (void)file.message(entry.id, language);
      }
      (void)file.chooseLanguage(kLangUserDefault, {0x0407, 0x0409});
      break;
    }
    case 1:
      for (const MessageEntry& entry : readMessageTable(bytes))
        (void)findMessageInTable(bytes, entry.id);
      (void)findMessageInTable(bytes, 0x40001775);
      break;
    default: {
      const std::u16string text = tallyvane::readUtf16z(bytes);
      const std::vector<MessageArgument> arguments = {
          std::u16string(u"first"), std::uint64_t{7}, std::uint64_t{0xFFFFFFFFFFFFFFFF},
          std::u16string(u"fourth"), std::uint64_t{1u << 20}};
      (void)formatMessage(text, &arguments);
      (void)formatMessage(text, nullptr, {true, 0});
      (void)formatMessage(text, &arguments, {false, 64});
      break;
    }
  }
  return 0;
}
