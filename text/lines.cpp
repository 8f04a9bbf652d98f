#include "text/lines.h"

#include <cstring>
#include <utility>

namespace rt {

LineList::LineList(std::string stream) : bytes_(std::move(stream)) {
  const char* data = bytes_.data();
  const std::size_t size = bytes_.size();
  // Prose and cue files run 15 to 60 characters a line; a guess too low
  // only costs a few regrowths.
  spans_.reserve(size / 16 + 1);
  std::size_t begin = 0;
  do {
    const void* lf = std::memchr(data + begin, '\n', size - begin);
    if (lf != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      const std::size_t end = at > begin && data[at - 1] == '\r' ? at - 1 : at;
      spans_.push_back({begin, end - begin});
      begin = at + 1;
    } else {
      std::size_t end = size;
      while (end > begin && data[end - 1] == '\0') --end;
      spans_.push_back({begin, end - begin});
      begin = size;
    }
  } while (begin < size);
}

LineList::LineList(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const std::string& line : lines) total += line.size();
  bytes_.reserve(total);
  spans_.reserve(lines.size());
  for (const std::string& line : lines) {
    spans_.push_back({bytes_.size(), line.size()});
    bytes_ += line;
  }
}

std::vector<std::string> LineList::texts() const {
  std::vector<std::string> texts;
  texts.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) texts.emplace_back((*this)[i]);
  return texts;
}

}  // namespace rt
