#include "ui/resource_file.h"

#include <fstream>
#include <iterator>

namespace qm::test {
namespace {

constexpr uint32_t kDsSetFont = 0x40;

// Little-endian reads over a byte range, with the 2- and 4-byte alignment the
// resource formats use (counted from the start of the range).
class Reader {
 public:
  explicit Reader(const Bytes& bytes, size_t start = 0)
      : bytes_(bytes), base_(start), position_(start), end_(bytes.size()) {}

  bool AtEnd() const { return position_ >= end_; }
  size_t position() const { return position_; }
  uint16_t Word() {
    Need(2);
    const uint16_t value = static_cast<uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }
  uint32_t Dword() {
    const uint32_t low = Word();
    return low | static_cast<uint32_t>(Word()) << 16;
  }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  // A zero-terminated UTF-16 string, narrowed character by character.
  std::string String() {
    std::string text;
    for (uint16_t c = Word(); c != 0; c = Word()) text += static_cast<char>(c <= 0xFF ? c : '?');
    return text;
  }
  // A string, or 0xFFFF and an ordinal (shown as "#n").
  std::string StringOrOrdinal() {
    Need(2);
    if (bytes_[position_] != 0xFF || bytes_[position_ + 1] != 0xFF) return String();
    Word();
    return "#" + std::to_string(Word());
  }
  void Skip(size_t count) {
    Need(count);
    position_ += count;
  }
  void AlignTo(size_t boundary) {
    const size_t offset = (position_ - base_) % boundary;
    if (offset != 0) Skip(boundary - offset);
  }

 private:
  void Need(size_t count) const {
    if (position_ + count > end_) throw ResourceFormatError("resource data ends too soon");
  }

  const Bytes& bytes_;
  size_t base_, position_, end_;
};

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The predefined control classes are stored as atoms.
std::string ClassName(const std::string& stored) {
  static const char* const kAtoms[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR",
                                       "COMBOBOX"};
  for (int i = 0; i < 6; ++i) {
    if (stored == "#" + std::to_string(0x80 + i)) return kAtoms[i];
  }
  return UpperAscii(stored);
}

DialogItem ParseItem(Reader& reader) {
  reader.AlignTo(4);
  DialogItem item;
  item.style = reader.Dword();
  item.extendedStyle = reader.Dword();
  item.x = reader.Short();
  item.y = reader.Short();
  item.width = reader.Short();
  item.height = reader.Short();
  item.id = reader.Short();
  item.className = ClassName(reader.StringOrOrdinal());
  item.text = reader.StringOrOrdinal();
  reader.Skip(reader.Word());  // creation data
  return item;
}

}  // namespace

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ResourceFormatError("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Each entry: DataSize, HeaderSize, TYPE, NAME, DWORD-aligned, then five more
// header fields; the data follows the header, and the next entry is aligned too.
std::optional<Bytes> FindResource(const Bytes& resFile, uint16_t type, const std::string& name) {
  const std::string wantedType = "#" + std::to_string(type);
  for (size_t start = 0; start < resFile.size();) {
    Reader header(resFile, start);
    const uint32_t dataSize = header.Dword();
    const uint32_t headerSize = header.Dword();
    const std::string entryType = header.StringOrOrdinal();
    const std::string entryName = header.StringOrOrdinal();
    const size_t dataStart = start + headerSize;
    if (headerSize < 8 || dataStart + dataSize > resFile.size()) {
      throw ResourceFormatError("a resource runs past the end of the file");
    }
    if (entryType == wantedType && UpperAscii(entryName) == UpperAscii(name)) {
      return Bytes(resFile.begin() + dataStart, resFile.begin() + dataStart + dataSize);
    }
    start = (dataStart + dataSize + 3) & ~size_t{3};
  }
  return std::nullopt;
}

DialogTemplate ParseDialogTemplate(const Bytes& data) {
  Reader reader(data);
  DialogTemplate dialog;
  dialog.style = reader.Dword();
  if ((dialog.style & 0xFFFF) == 1 && dialog.style >> 16 == 0xFFFF) {
    throw ResourceFormatError("an extended dialog template (DLGTEMPLATEEX)");
  }
  dialog.extendedStyle = reader.Dword();
  const uint16_t itemCount = reader.Word();
  dialog.x = reader.Short();
  dialog.y = reader.Short();
  dialog.width = reader.Short();
  dialog.height = reader.Short();
  dialog.menu = reader.StringOrOrdinal();
  dialog.className = reader.StringOrOrdinal();
  dialog.caption = reader.String();
  if (dialog.style & kDsSetFont) {
    dialog.pointSize = reader.Word();
    dialog.font = reader.String();
  }
  for (uint16_t i = 0; i < itemCount; ++i) dialog.items.push_back(ParseItem(reader));
  return dialog;
}

}  // namespace qm::test
