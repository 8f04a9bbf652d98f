#include "text/lines.h"

#include <utility>

#include "text/byte_scan.h"

namespace rt {

LineList::LineList(std::string stream) : bytes_(std::move(stream)) {
  const char* data = bytes_.data();
  const std::size_t size = bytes_.size();
  // Room for lines of 8 characters on average, more than text and cue
  // files need; the room beyond what the lines fill is never touched, so
  // it costs the system no memory.
  starts_.reserve(size / 8 + 1);
  starts_.push_back(0);
  each_place_of(data, size, '\n', [this](std::size_t lf) { starts_.push_back(lf + 1); });
  // A line end as the stream's last byte ends the last line; no line
  // follows it.
  const bool ends_with_line_end = starts_.size() > 1 && starts_.back() == size;
  if (ends_with_line_end) starts_.pop_back();
  const std::size_t last = starts_.back();
  if (ends_with_line_end) {
    const std::size_t lf = size - 1;
    last_end_ = lf > last && data[lf - 1] == '\r' ? lf - 1 : lf;
  } else {
    std::size_t end = size;
    while (end > last && data[end - 1] == '\0') --end;
    last_end_ = end;
  }
}

LineList::LineList(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 1;
  bytes_.reserve(total);
  starts_.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    starts_.push_back(bytes_.size());
    bytes_ += lines[i];
    last_end_ = bytes_.size();
    // A line of its own may end with a CR, which must not read as part of
    // the line end: it is kept by a second CR, which the line end takes.
    if (i + 1 < lines.size()) bytes_ += !lines[i].empty() && lines[i].back() == '\r' ? "\r\n" : "\n";
  }
}

std::vector<std::string> LineList::texts() const {
  std::vector<std::string> texts;
  texts.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) texts.emplace_back((*this)[i]);
  return texts;
}

}  // namespace rt
