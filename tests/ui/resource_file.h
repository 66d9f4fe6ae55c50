// Reads what the resource compiler wrote: the resources of a .res file and the
// dialog templates (DLGTEMPLATE with its DLGITEMTEMPLATEs) among them.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm::test {

constexpr uint16_t kResourceTypeDialog = 5;

using Bytes = std::vector<uint8_t>;

// A malformed or truncated resource.
class ResourceFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DialogItem {
  uint32_t style = 0;
  uint32_t extendedStyle = 0;
  int16_t x = 0, y = 0, width = 0, height = 0;
  int16_t id = 0;  // a WORD in the template: 0xFFFF is -1
  std::string className;  // the predefined classes' atoms as their names: "BUTTON", "EDIT", ...
  std::string text;
};

struct DialogTemplate {
  uint32_t style = 0;
  uint32_t extendedStyle = 0;
  int16_t x = 0, y = 0, width = 0, height = 0;
  std::string menu;       // empty: none
  std::string className;  // empty: the dialog class
  std::string caption;
  uint16_t pointSize = 0;  // with DS_SETFONT only
  std::string font;
  std::vector<DialogItem> items;
};

// The whole file; throws ResourceFormatError when it can't be read.
Bytes ReadFileBytes(const std::string& path);
// The data of the resource of that type and name ("#n" for an ordinal; names
// compare without regard to case, as Windows compares them), or nothing.
std::optional<Bytes> FindResource(const Bytes& resFile, uint16_t type, const std::string& name);
// Parses a DLGTEMPLATE; throws ResourceFormatError for a truncated one or an extended template.
DialogTemplate ParseDialogTemplate(const Bytes& data);

}  // namespace qm::test
