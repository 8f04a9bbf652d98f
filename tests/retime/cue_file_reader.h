// A reader of written cue files as a subtitle player reads them, written
// apart from the engine's own rules so that it can tell where they go
// wrong: lines end with CR LF, an entry is a number line, a timecode line
// and the lines of its text up to the empty line that ends it. A cue file
// parses back when every entry has that shape and no stray line is left.
#pragma once

#include <string>
#include <vector>

namespace rt::test_support {

struct ReadEntry {
  std::string number_line;
  std::string timecode_line;
  std::vector<std::string> text_lines;
};

struct ReadCueFile {
  std::vector<ReadEntry> entries;
  // What kept the file from parsing back into its entries; empty when it
  // did.
  std::string fault;
};

// Reads file. An entry whose text is empty (the cue at which the text ran
// out) is followed by a second empty line; that may only end the file.
inline ReadCueFile read_cue_file(const std::string& file) {
  ReadCueFile read;
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = file.find("\r\n", start)) != std::string::npos; start = at + 2) {
    lines.push_back(file.substr(start, at - start));
  }
  if (start != file.size()) return {{}, "the file does not end with CR LF"};
  for (std::size_t i = 0; i < lines.size();) {
    const std::string where = "line " + std::to_string(i + 1) + ": ";
    if (lines[i].find_first_of("\r\n") != std::string::npos) return {read.entries, where + "a bare CR or LF"};
    if (lines[i].empty()) {
      const bool empty_text_before = !read.entries.empty() && read.entries.back().text_lines.empty();
      if (!empty_text_before || i + 1 != lines.size()) return {read.entries, where + "a stray empty line"};
      ++i;
      continue;
    }
    if (i + 1 >= lines.size() || lines[i + 1].find("-->") == std::string::npos) {
      return {read.entries, where + "no timecode line after the number line"};
    }
    ReadEntry entry{lines[i], lines[i + 1], {}};
    for (i += 2; i < lines.size() && !lines[i].empty(); ++i) {
      if (lines[i].find_first_not_of(" \t") == std::string::npos) return {read.entries, where + "a blank text line"};
      if (lines[i].find_first_of("\r\n") != std::string::npos) return {read.entries, where + "a bare CR or LF"};
      entry.text_lines.push_back(lines[i]);
    }
    if (i == lines.size()) return {read.entries, where + "the entry has no empty line after it"};
    ++i;
    read.entries.push_back(entry);
  }
  return read;
}

}  // namespace rt::test_support
