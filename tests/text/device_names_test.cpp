#include "platform/shared/device_names.h"

#include <gtest/gtest.h>

#include <string>

namespace rt {
namespace {

struct DeviceNameCase {
  const char* path;
  bool reserved;
  unsigned code_page = 1252;  // the system's ANSI code page
};

constexpr DeviceNameCase kDeviceNameCases[] = {
    {"CON", true},           {"con", true},          {"Nul.txt", true},
    {"AUX.srt.txt", true},   {"PRN.", true},         {"nul ", true},
    {"COM1", true},          {"com9.srt", true},     {"LPT5 .txt", true},
    {"Lpt1..", true},        {"CON:", true},         {"C:\\films\\con.srt", true},
    {"films/NUL.txt", true}, {"x\\aux", true},       {"COM0", false},
    {"LPT10", false},        {"COM", false},         {"CONSOLE", false},
    {"NULL.txt", false},     {"film.srt", false},    {"con\\film.srt", false},
    {"a con.txt", false},    {" CON", false},        {"", false},
    {"COM1x", false},        {"AUXILIARY.srt", false},
    // The superscript digits one to three count as device numbers, in the
    // bytes of the code page; where it has no such character, the byte is
    // another letter (0xB9 is a-ogonek in Windows-1250).
    {"COM\xB9", true},                 {"lpt\xB2.srt", true},
    {"C:\\films\\Com\xB3 .txt", true}, {"COM\xB9\xB9", false},
    {"COM\xB4", false},                {"COM\xB9", false, 1250},
    {"COM\xB9", false, 1253},          {"LPT\xB3", true, 1253},
    {"COM\xC2\xB9.txt", true, 65001},   {"COM\xB9", false, 65001},
    {"LPT\xA9\xF7", true, 949},         {"COM1", true, 65001},
};

TEST(DeviceNames, ReservedNamesInAnyCaseWithAnyExtension) {
  for (const DeviceNameCase& c : kDeviceNameCases) {
    EXPECT_EQ(is_reserved_device_name(c.path, c.code_page), c.reserved)
        << c.path << " in code page " << c.code_page;
  }
}

}  // namespace
}  // namespace rt
