// The lines of a whole character stream, cut as read_line cuts them, kept
// in one buffer: a long file's lines cost two allocations, not one each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

class LineList {
 public:
  // The lines read_line would give from the start of stream (a character
  // stream: CR LF already turned into LF) up to the point where at_end
  // turns true: the characters up to each LF, without it and without one
  // CR right before it; a last line without LF loses the NUL bytes at its
  // very end. Always at least one line: an empty stream has one empty line.
  explicit LineList(std::string stream);

  // The given lines, in order.
  explicit LineList(const std::vector<std::string>& lines);

  std::size_t size() const { return starts_.size(); }

  // Line i (from 0); valid while the list lives.
  std::string_view operator[](std::size_t i) const {
    const std::size_t start = starts_[i];
    std::size_t end = last_end_;
    if (i + 1 < starts_.size()) {
      end = starts_[i + 1] - 1;  // the LF that ends the line
      if (end > start && bytes_[end - 1] == '\r') --end;
    }
    return std::string_view(bytes_.data() + start, end - start);
  }

  // The lines as texts of their own.
  std::vector<std::string> texts() const;

 private:
  // The lines back to back as the stream holds them, the LF (and a CR
  // before it) after each but the last: a line is told by its start alone,
  // 8 bytes a line.
  std::string bytes_;
  std::vector<std::size_t> starts_;
  std::size_t last_end_ = 0;  // where the last line ends, its line end or NULs left out
};

}  // namespace rt
