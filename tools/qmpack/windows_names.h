// File names as Windows will create them. Names on the host are UTF-8; the
// setup stores and creates them as single bytes of the Windows code page 1252,
// so each is converted before it goes into the directory and refused when
// Windows could not create it.
#pragma once

#include <optional>
#include <string>

namespace qmpack {

// The cp1252 form of a UTF-8 name, or nothing when it is not valid UTF-8 or
// holds a character that code page 1252 lacks.
std::optional<std::string> Utf8ToCp1252(const std::string& utf8);

// The UTF-8 form of a cp1252 name; the five bytes that cp1252 leaves
// undefined are kept as the control characters U+0081 and so on.
std::string Cp1252ToUtf8(const std::string& cp1252);

// Letters upper-cased as Windows compares names in code page 1252.
std::string Cp1252UpperCase(const std::string& cp1252);

// Why Windows can't create a file of this cp1252 name, or nothing when it can:
// one of * ? " < > |, a control character, a trailing dot or space, or a
// device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9), with or
// without an extension.
std::optional<std::string> WindowsNameProblem(const std::string& cp1252);

}  // namespace qmpack
