#pragma once
// The bytes of vyrntpnl.ini made ready for the reader: a file saved as
// UTF-16 (Windows Notepad's "Unicode", with its byte-order mark) becomes the
// 8-bit text the program reads and writes, and a file that is not text at
// all is refused with the line that shows it.

#include <string>

namespace vyr {

// The file's text, one byte per character. Raises Path/File access error
// (75), naming the line, for a NUL byte or a UTF-16 character beyond
// Latin-1.
std::string IniText(const std::string& bytes);

}  // namespace vyr
