// The path, drive and folder rules that every part of the setup shares. None
// of them keeps state, shows a message or raises an error: each answers with a
// value. The backslash is the only folder separator, the colon ends a drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace qm {

// The folder, one backslash, the name; the name alone when the folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);
// The path up to and including its last colon or backslash; empty when it has none.
std::string FolderPart(const std::string& path);
// The name with the extension after its last full stop replaced (or appended
// when the name has none after its last colon or backslash).
std::string ReplaceExtension(const std::string& name, const std::string& extension);
// The extension from the last full stop after every backslash and colon, dot
// included; empty when there is none.
std::string ExtensionOf(const std::string& name);
// ASCII upper case, which is what the Windows ANSI mapping does to the
// characters these rules compare (extensions, drive letters).
std::string UpperCase(const std::string& text);
bool HasWildcard(const std::string& text);
uint8_t MinByte(uint8_t a, uint8_t b);
uint8_t MaxByte(uint8_t a, uint8_t b);

// The 8.3 form of an existing path, or the path itself when there is none.
std::string ShortOrFull(Platform& os, const std::string& path);
// True for the errors with which Windows says that a path names nothing.
bool IsNotFound(uint32_t error);
// Whether anything of that name exists; nothing when the system can't tell
// (an error other than "not found").
std::optional<bool> Exists(Platform& os, const std::string& path);
// True when a file (not a folder) of that name exists.
bool FilePresent(Platform& os, const std::string& path);
// True when Windows reports any drive type but "cannot be determined" (0)
// for the letter's root; non-letters are refused without asking.
bool DriveExists(Platform& os, char letter);
// True when the path names an existing folder or, for texts of up to three
// characters, a drive (decided by the first character alone).
bool FolderExists(Platform& os, const std::string& path);
// True when the folder exists, or could be created one level deep and entered.
bool MakeFolder(Platform& os, const std::string& path);

}  // namespace qm
