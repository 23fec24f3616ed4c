#include "core/RuntimeError.h"

#include <cerrno>

namespace vyr {

std::string ErrorText(int32_t number) {
  switch (number) {
    case kErrInvalidCall:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrDivByZero:
      return "Division by zero";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrInternal:
      return "Internal error";
    case kErrFileNotFound:
      return "File not found";
    case kErrDeviceIO:
      return "Device I/O error";
    case kErrDiskFull:
      return "Disk full";
    case kErrPermission:
      return "Permission denied";
    case kErrPathFileAccess:
      return "Path/File access error";
    case kErrPathNotFound:
      return "Path not found";
    default:
      return "Application-defined or object-defined error";
  }
}

void RaiseFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      Raise(kErrPathNotFound);
    case ENOSPC:
    case EDQUOT:
      Raise(kErrDiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      Raise(kErrPathFileAccess);
    default:
      Raise(kErrDeviceIO);
  }
}

}  // namespace vyr
