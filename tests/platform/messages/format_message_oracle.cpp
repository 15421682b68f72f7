// Formats each case of a case file with the platform's FormatMessageW and
// prints the outcome, so that the portable formatter can be compared with it.
// Built by MinGW and run under Wine.
//
// Case file: UTF-8, one case a line, fields separated by tabs: the message
// text, then the arguments, each "s:" text, "a:" text passed as an ANSI string,
// or "n:" decimal number. "\r", "\n",
// "\t" and "\\" are escapes in every field. A line "IGNORE" before a case asks
// for FORMAT_MESSAGE_IGNORE_INSERTS; "NOARGS" passes no argument array.
// With "--table MODULE LANGID IDS" it formats messages of a module instead.
// Output: one line a case, "ok " and the result's UTF-16 units in hexadecimal,
// or "fail " and the error code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring widen(const std::string& utf8) {
  if (utf8.empty())
    return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char c = field[++i];
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string readAll(const char* path) {
  std::string content;
  FILE* in = std::fopen(path, "rb");
  if (!in)
    return content;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
    content.append(chunk, n);
  std::fclose(in);
  return content;
}

void printResult(DWORD written, const std::vector<wchar_t>& buffer) {
  if (written == 0) {
    std::printf("fail %lu\n", GetLastError());
    return;
  }
  std::printf("ok");
  for (DWORD i = 0; i < written; ++i)
    std::printf(" %04x", static_cast<unsigned>(buffer[i]));
  std::printf("\n");
}

// "--table MODULE LANGID IDS": each message of the IDS file (one hexadecimal
// ID a line) of MODULE, formatted with FORMAT_MESSAGE_IGNORE_INSERTS.
int listTable(const char* module, const char* language, const char* idsFile) {
  const HMODULE handle = LoadLibraryExW(widen(module).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!handle)
    return 3;
  const DWORD langId = std::strtoul(language, nullptr, 16);
  const std::string ids = readAll(idsFile);
  std::vector<wchar_t> buffer(65536);
  for (std::size_t start = 0; start < ids.size();) {
    std::size_t end = ids.find('\n', start);
    if (end == std::string::npos)
      end = ids.size();
    const DWORD id = std::strtoul(ids.substr(start, end - start).c_str(), nullptr, 16);
    start = end + 1;
    SetLastError(0);
    const DWORD written =
        FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, handle, id,
                       langId, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    printResult(written, buffer);
  }
  FreeLibrary(handle);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--table")
    return listTable(argv[2], argv[3], argv[4]);
  if (argc < 2)
    return 2;
  const std::string content = readAll(argv[1]);

  bool ignore = false;
  bool noArgs = false;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos)
      end = content.size();
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    if (line == "IGNORE") {
      ignore = true;
      continue;
    }
    if (line == "NOARGS") {
      noArgs = true;
      continue;
    }
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
      const std::size_t tab = line.find('\t', at);
      fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
      if (tab == std::string::npos)
        break;
      at = tab + 1;
    }
    const std::wstring pattern = widen(unescape(fields[0]));
    std::vector<std::wstring> texts;
    texts.reserve(fields.size());
    std::vector<std::string> narrow;
    narrow.reserve(fields.size());
    std::vector<DWORD_PTR> args;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::string field = unescape(fields[i]);
      if (field.rfind("n:", 0) == 0) {
        args.push_back(static_cast<DWORD_PTR>(std::strtoll(field.c_str() + 2, nullptr, 10)));
      } else if (field.rfind("a:", 0) == 0) {
        narrow.push_back(field.substr(2));
        args.push_back(reinterpret_cast<DWORD_PTR>(narrow.back().c_str()));
      } else {
        texts.push_back(widen(field.substr(2)));
        args.push_back(reinterpret_cast<DWORD_PTR>(texts.back().c_str()));
      }
    }
    args.push_back(0);
    std::vector<wchar_t> buffer(4096);
    DWORD flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    if (ignore)
      flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
    SetLastError(0);
    const DWORD written = FormatMessageW(
        flags, pattern.c_str(), 0, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
        noArgs ? nullptr : reinterpret_cast<va_list*>(args.data()));
    printResult(written, buffer);
    ignore = false;
    noArgs = false;
  }
  return 0;
}
