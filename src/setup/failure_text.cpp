#include "setup/failure_text.h"

#include "transport/path_helpers.h"

namespace qm {

std::string FailureReason(Platform& os, const std::string& path, uint32_t error) {
  if (path.size() > kLongestPath || error == kErrorFilenameTooLong) return "the path is too long";
  switch (error) {
    case kErrorDiskFull:
    case kErrorHandleDiskFull:
      return "the disk is full";
    case kErrorSharingViolation:
    case kErrorLockViolation:
      return "it is in use by another program";
    case kErrorPathNotFound:
      return "its folder does not exist";
    case kErrorInvalidName:
      return "the name is not valid";
    case kErrorAccessDenied:
      return FolderExists(os, path) ? "a folder of that name is in the way" : "access is denied";
    default:
      return "Windows error " + std::to_string(error);
  }
}

std::string FileProblem(Platform& os, const std::string& path, const std::string& action,
                        uint32_t error) {
  return "The file " + path + " could not be " + action + ": " + FailureReason(os, path, error) +
         ".";
}

std::string SizeText(uint64_t bytes) {
  constexpr uint64_t kKilo = 1024, kMega = 1024 * 1024;
  if (bytes < 10 * kMega) return std::to_string((bytes + kKilo - 1) / kKilo) + " KB";
  const uint64_t tenths = (bytes * 10 + kMega - 1) / kMega;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

}  // namespace qm
