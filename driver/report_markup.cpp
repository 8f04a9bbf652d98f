#include "driver/report_markup.h"

#include <algorithm>
#include <limits>

#include "driver/report.h"
#include "driver/report_text.h"

namespace rt {

std::string escaped_name(const std::string& name) { return html_escaped(page_name(name)); }

std::string seconds_text(std::int64_t ms) {
  const std::string sign = ms < 0 ? "-" : "";
  const std::uint64_t magnitude = ms < 0 ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
  const std::uint64_t millis = magnitude % 1000;
  return sign + std::to_string(magnitude / 1000) + "," + (millis < 100 ? "0" : "") + (millis < 10 ? "0" : "") +
         std::to_string(millis);
}

std::string wide_timecode_text(std::int64_t ms) {
  using Limits = std::numeric_limits<std::int32_t>;
  return timecode_text(static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, Limits::min(), Limits::max())));
}

std::string svg_number(std::int64_t tenths) {
  const std::string sign = tenths < 0 ? "-" : "";
  const std::int64_t magnitude = tenths < 0 ? -tenths : tenths;
  return sign + std::to_string(magnitude / 10) + (magnitude % 10 == 0 ? "" : "." + std::to_string(magnitude % 10));
}

}  // namespace rt
