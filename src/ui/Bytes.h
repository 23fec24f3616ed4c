#pragma once
// Names from the switcher and the configuration are 8-bit bytes, shown one
// character per byte (Latin-1), never decoded as UTF-8. A control byte is
// shown as its visible symbol (U+2400 to U+241F, DEL as U+2421), so that
// nothing a peer sends can break a line or steer the display; Bytes() reads
// such text back to the bytes it came from.

#include <QString>
#include <string>

namespace vyr {

inline QString Latin1(const std::string& bytes) {
  QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  for (QChar& c : text) {
    const char16_t code = c.unicode();
    if (code < 0x20) c = QChar(static_cast<char16_t>(0x2400 + code));
    if (code == 0x7F) c = QChar(char16_t{0x2421});
  }
  return text;
}

inline std::string Bytes(const QString& shown) {
  QString text = shown;
  for (QChar& c : text) {
    const char16_t code = c.unicode();
    if (code >= 0x2400 && code < 0x2420) c = QChar(static_cast<char16_t>(code - 0x2400));
    if (code == 0x2421) c = QChar(char16_t{0x7F});
  }
  return text.toLatin1().toStdString();
}

}  // namespace vyr
