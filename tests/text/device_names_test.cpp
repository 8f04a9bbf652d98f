#include "text/device_names.h"

#include <gtest/gtest.h>

#include <string>

namespace rt {
namespace {

struct DeviceNameCase {
  const char* path;
  bool reserved;
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
};

TEST(DeviceNames, ReservedNamesInAnyCaseWithAnyExtension) {
  for (const DeviceNameCase& c : kDeviceNameCases) {
    EXPECT_EQ(is_reserved_device_name(c.path), c.reserved) << c.path;
  }
}

}  // namespace
}  // namespace rt
