// The dialog templates as the resource compiler built them, field by field
// against one table: a slip in the resource script fails here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/resource_file.h"

namespace qm::test {
namespace {

struct ExpectedItem {
  int16_t id;
  const char* className;
  const char* text;
  uint32_t style;
  int16_t x, y, width, height;
};

struct ExpectedTemplate {
  const char* name;
  uint32_t style;
  int16_t x, y, width, height;
  const char* caption;
  std::vector<ExpectedItem> items;  // in template order, which is the tab order
};

constexpr uint32_t kDialogStyle = 0x90C800C0;
constexpr uint32_t kUnpackStyle = 0x90C801C0;  // DS_NOIDLEMSG as well

const std::vector<ExpectedTemplate>& ExpectedTemplates() {
  static const std::vector<ExpectedTemplate> templates = {
      {"MAIN", kDialogStyle, 6, 19, 223, 100, "Installation",
       {
           {1, "BUTTON", "OK", 0x50010001, 57, 79, 53, 14},
           {2, "BUTTON", "Cancel", 0x50010000, 113, 79, 53, 14},
           {104, "EDIT", "C:\\Program Files\\Brackenwood", 0x50810008, 19, 53, 184, 13},
           {-1, "STATIC",
            "Please enter the drive and directory folder where you would like Kestrelon! to be "
            "located. To accept the default drive and directory simply press ENTER.",
            0x50020000, 16, 11, 191, 33},
       }},
      {"LICENSE", kDialogStyle, 1, 1, 267, 199, "License Agreement",
       {
           {1, "BUTTON", "I Agree", 0x50010001, 157, 181, 50, 14},
           {2, "BUTTON", "Exit", 0x50010000, 210, 181, 50, 14},
           {101, "EDIT",
            "You must agree to the terms of the above License Agreement to install and use "
            "Kestrelon!. If you do not agree, click on the Exit button.",
            0x50010804, 9, 159, 246, 18},
           {102, "EDIT", "IMPORTANT: Please read the following License Agreement", 0x50010804, 8,
            6, 222, 18},
       }},
      {"IPROGRESS", kDialogStyle, 6, 49, 194, 78, "Progress",
       {
           {2, "BUTTON", "Cancel", 0x50000000, 68, 55, 57, 14},
           {101, "STATIC", "frame", 0x50000007, 15, 25, 164, 12},
           {-1, "STATIC", "Installing the Kestrelon! files.", 0x50020000, 16, 9, 160, 8},
       }},
      {"PROGRESS", kUnpackStyle, 6, 49, 194, 75, "Progress",
       {
           {2, "BUTTON", "Cancel", 0x50000000, 68, 54, 57, 14},
           {101, "STATIC", "frame", 0x50000007, 15, 25, 164, 12},
           {-1, "STATIC", "Uncompressing the Kestrelon! files.", 0x50020000, 16, 9, 160, 8},
       }},
      {"GROUP", kDialogStyle, 6, 15, 184, 86, "DIALOG_1",
       {
           {1, "BUTTON", "OK", 0x50010001, 50, 67, 39, 14},
           {2, "BUTTON", "Cancel", 0x50010000, 92, 67, 41, 14},
           {102, "EDIT", "", 0x50810000, 11, 44, 162, 12},
           {101, "STATIC",
            "Please enter the name of the program group that you would like Kestrelon! to use. "
            "To accept the default, simply press ENTER.",
            0x50020000, 12, 9, 160, 25},
       }},
      {"REPLACE", kDialogStyle, 3, 1, 175, 151, "Replace Window components",
       {
           {1, "BUTTON", "OK", 0x50010001, 40, 133, 50, 14},
           {2, "BUTTON", "Cancel", 0x50010000, 93, 133, 50, 14},
           {101, "EDIT",
            "Check this box if you wish to replace the Windows Task Manager applet (which can "
            "sometimes be used to bypass security) with Kestrelon!'s enhanced version.",
            0x50010804, 24, 87, 144, 42},
           {102, "EDIT",
            "Kestrelon! is designed to replace the normal Windows desktop. If you haven't used "
            "Kestrelon! before, you may wish to retain the Windows interface until you are more "
            "familiar with the program. To restore the Windows desktop, use Uninstall.",
            0x50010804, 24, 16, 142, 50},
           {103, "BUTTON", " Replace Windows Task Manager.", 0x50010003, 6, 76, 129, 10},
           {104, "BUTTON", " Make Kestrelon! the active Windows desktop.", 0x50010003, 6, 5, 166,
            12},
       }},
  };
  return templates;
}

void ExpectItem(const ExpectedItem& expected, const DialogItem& item) {
  SCOPED_TRACE("control " + std::to_string(expected.id));
  EXPECT_EQ(item.id, expected.id);
  EXPECT_EQ(item.className, expected.className);
  EXPECT_EQ(item.text, expected.text);
  EXPECT_EQ(item.style, expected.style);
  EXPECT_EQ(item.extendedStyle, 0u);
  EXPECT_EQ(item.x, expected.x);
  EXPECT_EQ(item.y, expected.y);
  EXPECT_EQ(item.width, expected.width);
  EXPECT_EQ(item.height, expected.height);
}

TEST(DialogTemplates, EveryFieldIsAsTheTableSays) {
  const Bytes resources = ReadFileBytes(QM_SETUP_RES);
  for (const ExpectedTemplate& expected : ExpectedTemplates()) {
    SCOPED_TRACE(expected.name);
    const auto data = FindResource(resources, kResourceTypeDialog, expected.name);
    ASSERT_TRUE(data) << "no template";
    const DialogTemplate dialog = ParseDialogTemplate(*data);
    EXPECT_EQ(dialog.style, expected.style);
    EXPECT_EQ(dialog.extendedStyle, 0u);
    EXPECT_EQ(dialog.x, expected.x);
    EXPECT_EQ(dialog.y, expected.y);
    EXPECT_EQ(dialog.width, expected.width);
    EXPECT_EQ(dialog.height, expected.height);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.caption, expected.caption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    ASSERT_EQ(dialog.items.size(), expected.items.size());
    for (size_t i = 0; i < expected.items.size(); ++i) ExpectItem(expected.items[i], dialog.items[i]);
  }
}

TEST(DialogTemplates, ResourceNamesCompareWithoutRegardToCase) {
  const Bytes resources = ReadFileBytes(QM_SETUP_RES);
  EXPECT_TRUE(FindResource(resources, kResourceTypeDialog, "Main"));
  EXPECT_FALSE(FindResource(resources, kResourceTypeDialog, "Mainx"));
}

// Hand-made templates: the reader's alignment, ordinals and refusals.
Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes bytes;
  for (uint16_t w : words) {
    bytes.push_back(static_cast<uint8_t>(w));
    bytes.push_back(static_cast<uint8_t>(w >> 8));
  }
  return bytes;
}

TEST(DialogTemplateReader, ReadsAtomClassesAlignedItemsAndOrdinalTexts) {
  // No DS_SETFONT, one item; the header ends at byte 26, so the item starts at 28.
  Bytes data = Words({0x0000, 0x90C0, 0, 0, 1, 1, 2, 3, 4, 0, 0, 'A', 0});
  data.resize(28, 0xEE);
  const Bytes item = Words({0x0001, 0x5001, 0, 0, 5, 6, 7, 8, 0xFFFF, 0xFFFF, 0x0080, 0xFFFF,
                            0x0042, 0});
  data.insert(data.end(), item.begin(), item.end());
  const DialogTemplate dialog = ParseDialogTemplate(data);
  EXPECT_EQ(dialog.caption, "A");
  EXPECT_EQ(dialog.font, "");
  ASSERT_EQ(dialog.items.size(), 1u);
  EXPECT_EQ(dialog.items[0].style, 0x50010001u);
  EXPECT_EQ(dialog.items[0].id, -1);
  EXPECT_EQ(dialog.items[0].className, "BUTTON");
  EXPECT_EQ(dialog.items[0].text, "#66");
  EXPECT_EQ(dialog.items[0].height, 8);
}

TEST(DialogTemplateReader, RefusesTruncatedAndExtendedTemplates) {
  EXPECT_THROW(ParseDialogTemplate(Words({0x0000, 0x90C0, 0, 0, 1})), ResourceFormatError);
  EXPECT_THROW(ParseDialogTemplate(Words({0x0001, 0xFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
               ResourceFormatError);
  EXPECT_THROW(FindResource(Words({100, 0, 32, 0}), kResourceTypeDialog, "MAIN"),
               ResourceFormatError);
}

}  // namespace
}  // namespace qm::test
