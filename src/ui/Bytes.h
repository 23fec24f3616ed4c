#pragma once
// Names from the switcher and the configuration are 8-bit bytes, shown one
// character per byte (Latin-1), never decoded as UTF-8.

#include <QString>
#include <string>

namespace vyr {

inline QString Latin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace vyr
