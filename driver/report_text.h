// A user's text as the readability report counts and shows it. Texts and
// file names come as bytes in whatever encoding their files had: a text that
// is valid UTF-8 throughout is taken by its code points, any other by its
// single bytes as Windows-1252 (ISO 8859-1 plus the printable characters
// of 0x80..0x9F), the encoding of the tool's own single-byte texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rt {

// Whether every byte of t belongs to a valid UTF-8 sequence (pure ASCII is).
bool is_utf8_text(const std::string& t);

// The characters of t: its code points when utf8 (a byte of no valid
// sequence counting as one, as text/encodings.h reads a UTF-8 text),
// otherwise its bytes.
std::int64_t character_count(const std::string& t, bool utf8);

// The characters a viewer sees in a cue's text as written: each of its
// line ends, written as CR LF, is one line break on the screen.
std::int64_t shown_characters(const std::string& written, bool utf8);

// The characters of a byte-a-character text (what the search ran on) from
// its 0-based index from on, without the white space (blank, tab, CR, LF) at
// either end; allocates nothing.
std::int64_t trimmed_characters(const std::string& text, std::size_t from);

// t as UTF-8 for a page, read as UTF-8 when utf8 and as Windows-1252
// otherwise, cut after its first max_characters characters. Characters a
// page cannot show (the C0 controls other than TAB, LF and CR, DEL, the C1
// controls, and the five unassigned bytes of Windows-1252) become U+FFFD.
std::string page_text(const std::string& t, bool utf8,
                      std::size_t max_characters = static_cast<std::size_t>(-1));

// page_text of a name whose encoding is judged by the name alone.
std::string page_name(const std::string& name);

// utf8 with & < > " ' written as character references, so that no byte of
// it can start markup, in element content or in a quoted attribute.
std::string html_escaped(const std::string& utf8);

}  // namespace rt
