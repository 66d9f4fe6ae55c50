// The uninstaller's check of each record line before it follows it. A
// record is plain text that anyone may edit, so nothing in it is taken on
// trust: a line is followed only when it names what the setup itself places
// or changes, judged against what the uninstaller knows for itself (its own
// folder, the Windows folder, the Start menu, the product's name), and a file
// outside the destination folder only when its content is still the one the
// setup placed there (checked when it is removed).
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "uninstall/install_record.h"

namespace qm {

struct UninstallPlaces {
  std::string destination;  // the uninstaller's own folder
  std::string windowsFolder;
  std::optional<std::string> programsFolder;  // the Start menu's, where the shortcut is
  std::string displayName;
};

// A path in one form for comparing: its 8.3 form (or its folder's, for a
// path that names nothing), upper-cased.
std::string ComparablePath(Platform& os, const std::string& path);
bool SamePath(Platform& os, const std::string& a, const std::string& b);

// Why the line must not be followed, or nothing when it may be.
std::optional<std::string> RefusalOf(Platform& os, const RecordEntry& entry,
                                     const UninstallPlaces& places);

}  // namespace qm
