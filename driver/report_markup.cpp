#include "driver/report_markup.h"

#include <algorithm>
#include <limits>

#include "driver/report.h"
#include "driver/report_text.h"
#include "retime/time_text.h"

namespace rt {

std::string escaped_name(const std::string& name) { return html_escaped(page_name(name)); }

std::string wide_timecode_text(std::int64_t ms) {
  using Limits = std::numeric_limits<std::int32_t>;
  return timecode_text(static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, Limits::min(), Limits::max())));
}

std::string svg_number(std::int64_t tenths) {
  // Whole pixels without a point keep the page small.
  return tenths % 10 == 0 ? decimal_text(tenths / 10, 0, '.') : decimal_text(tenths, 1, '.');
}

}  // namespace rt
