#pragma once
// The run-time error model: every failure inside a routine is raised as a
// RuntimeError carrying the classic error number and text that users know
// from old log files, and is caught only at the routine's own boundary.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vyr {

// Error numbers kept from the program's long history; old logs show them.
enum ErrNo : int32_t {
  kErrInvalidCall = 5,  // Invalid procedure call or argument
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,  // Subscript out of range
  kErrDivByZero = 11,
  kErrTypeMismatch = 13,
  kErrInternal = 51,
  kErrFileNotFound = 53,
  kErrDeviceIO = 57,
  kErrDiskFull = 61,
  kErrPermission = 70,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
};

// The standard text of an error number ("Overflow" for 6); an unknown number
// gets "Application-defined or object-defined error".
std::string ErrorText(int32_t number);

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(int32_t number) : RuntimeError(number, ErrorText(number)) {}
  RuntimeError(int32_t number, const std::string& text)
      : std::runtime_error(text), number_(number) {}
  int32_t number() const { return number_; }
  std::string text() const { return what(); }

 private:
  int32_t number_;
};

[[noreturn]] inline void Raise(int32_t number) { throw RuntimeError(number); }

// Raises the error a failed file operation gives for an errno value:
// 76 path not found, 61 disk full, 75 access refused, 57 otherwise.
[[noreturn]] void RaiseFromErrno(int err);

}  // namespace vyr
