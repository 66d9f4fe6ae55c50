#include "platform/win32/disk_space.h"

namespace qm {

GetDiskFreeSpaceExFunction LookUpGetDiskFreeSpaceEx() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  // GetProcAddress hands every function out under one type; this one is
  // called with its own.
  return reinterpret_cast<GetDiskFreeSpaceExFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
}

std::optional<DiskSpace> QueryDiskSpace(const std::string& root,
                                        GetDiskFreeSpaceExFunction freeSpaceEx) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return std::nullopt;
  }
  DiskSpace space = DiskSpaceFromClusters(sectorsPerCluster, bytesPerSector, freeClusters);
  if (freeSpaceEx == nullptr) return space;
  // The counts of GetDiskFreeSpaceA stop at 2 GB on later Windows 95 releases
  // and ignore disk quotas; the Ex call knows what this user may fill.
  ULARGE_INTEGER freeToCaller, total, totalFree;
  if (!freeSpaceEx(root.c_str(), &freeToCaller, &total, &totalFree)) return std::nullopt;
  space.freeBytes = freeToCaller.QuadPart;
  return space;
}

}  // namespace qm
