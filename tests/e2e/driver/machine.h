// What the installation scenarios prepare and inspect on the machine the
// setup runs on: files, folders and registry values, through the same Win32
// calls a user's tools would use.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

std::string WindowsFolder();
// The whole file, or nothing when it can't be read.
std::optional<std::string> FileContents(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The folder and everything in it; a missing folder is no error.
void DeleteTree(const std::string& folder);
// The names of the files (not folders) directly in a folder.
std::vector<std::string> FilesIn(const std::string& folder);
// Lines of a text file without their line ends; empty when it can't be read.
std::vector<std::string> TextLines(const std::string& path);

// The raw bytes of a value, or nothing when the key or the value is missing.
std::optional<std::string> RegistryBytes(HKEY root, const std::string& key,
                                         const std::string& name);
std::optional<std::string> RegistryString(HKEY root, const std::string& key,
                                          const std::string& name);
// The strings of a REG_MULTI_SZ value, empty when it is missing.
std::vector<std::string> RegistryStrings(HKEY root, const std::string& key,
                                         const std::string& name);
void SetRegistryString(HKEY root, const std::string& key, const std::string& name,
                       const std::string& value);
void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name);
void DeleteRegistryKey(HKEY root, const std::string& key);

// Runs a program of the prefix (such as wineboot) and waits for it; its exit code.
std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD milliseconds);

// Upper-cased copy, for comparing names as Windows does.
std::string Capitals(std::string text);

}  // namespace e2e
