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

  std::size_t size() const { return spans_.size(); }

  // Line i (from 0); valid while the list lives.
  std::string_view operator[](std::size_t i) const {
    return std::string_view(bytes_.data() + spans_[i].begin, spans_[i].length);
  }

  // The lines as texts of their own.
  std::vector<std::string> texts() const;

 private:
  struct Span {
    std::size_t begin;
    std::size_t length;
  };
  std::string bytes_;
  std::vector<Span> spans_;
};

}  // namespace rt
