#include "config/IniText.h"

#include <cstdio>

#include "core/RuntimeError.h"

namespace vyr {

namespace {

// 1-based line of `pos`; a line ends with LF, CR LF or a lone CR.
std::size_t LineOf(const std::string& text, std::size_t pos) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

[[noreturn]] void Refuse(const std::string& what, std::size_t line) {
  throw RuntimeError(kErrPathFileAccess, ErrorText(kErrPathFileAccess) + ": " + what + " on line " +
                                             std::to_string(line));
}

}  // namespace

std::string IniText(const std::string& bytes) {
  const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
  std::string text;
  if (little || big) {
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
      if (i + 1 == bytes.size()) Refuse("half a UTF-16 character", LineOf(text, text.size()));
      const unsigned first = static_cast<unsigned char>(bytes[i]);
      const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
      const unsigned code = little ? second << 8 | first : first << 8 | second;
      if (code > 0xFF) {
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", code);
        Refuse(std::string("character ") + name + " (beyond Latin-1)", LineOf(text, text.size()));
      }
      text += static_cast<char>(code);
    }
  } else {
    text = bytes;
  }
  if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
    Refuse("NUL byte", LineOf(text, nul));
  }
  return text;
}

}  // namespace vyr
