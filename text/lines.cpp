#include "text/lines.h"

#include <cstring>
#include <utility>

namespace rt {

LineList::LineList(std::string stream) : bytes_(std::move(stream)) {
  const char* data = bytes_.data();
  const std::size_t size = bytes_.size();
  // Room for lines of 8 characters on average, more than text and cue
  // files need; the room beyond what the lines fill is never touched, so
  // it costs the system no memory.
  starts_.reserve(size / 8 + 1);
  std::size_t begin = 0;
  do {
    starts_.push_back(begin);
    const void* lf = std::memchr(data + begin, '\n', size - begin);
    if (lf != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      last_end_ = at > begin && data[at - 1] == '\r' ? at - 1 : at;
      begin = at + 1;
    } else {
      std::size_t end = size;
      while (end > begin && data[end - 1] == '\0') --end;
      last_end_ = end;
      begin = size;
    }
  } while (begin < size);
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
