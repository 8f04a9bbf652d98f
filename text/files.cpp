// Numbered files: a table of 255 slots, each holding a file of the native
// layer and one 8192-byte buffer. An input slot keeps its buffer filled with
// characters of the stream (CR LF already turned into LF, cut at the first
// 0x1A); an output slot collects bytes until the buffer is full or the file
// is closed, and writes through a save (text/atomic_save.h) that puts the
// file in place when it is closed. Portable: the system is reached only
// through text/filesystem.h.
#include "text/files.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/console_print.h"
#include "text/filesystem.h"
#include "text/paths.h"

namespace rt {
namespace {

constexpr int kLowestNumber = 1;
constexpr int kHighestNumber = 255;
constexpr std::size_t kBufferSize = 8192;
constexpr char kEndOfFileByte = 0x1A;  // Ctrl-Z ends a text file for good
// Bytes are read this far behind where their characters go, so that the
// characters can be made sixteen at a time without overwriting bytes still
// to be read (see end_of_lines).
constexpr std::size_t kTranslationGap = 16;

struct OpenFile {
  FileHandle handle = kNoFileHandle;
  bool output = false;
  // Output: why a write failed, so that the file lacks bytes; nothing more
  // is written to it once one has.
  FileError write_error;
  // Output: the save the bytes go to; handle is its temporary file.
  Save save;
  // Input: the characters chars[pos, len) are still to be delivered.
  // Output: chars[0, len) are written but not yet in the file.
  // One byte more than a block, for a CR carried over from the block before,
  // and the room the bytes are read into ahead of their characters.
  char chars[kBufferSize + 1 + kTranslationGap];
  std::size_t pos = 0;
  std::size_t len = 0;
  // The last byte read was a CR; whether an LF follows is known only after
  // the next read, so the CR waits at the front of the next block.
  bool carried_cr = false;
  // No more bytes will be read: end of file, a read error, or 0x1A met.
  bool stream_over = false;
  // Input opened with a byte budget (open_input_bounded): the budget, the
  // bytes of it not yet read (both -1 without one), and whether the budget
  // ended the stream while the file went on, which cuts its last line.
  std::int64_t byte_budget = -1;
  std::int64_t bytes_left = -1;
  bool cut_by_budget = false;
};

// Plain pointers, so the table needs no construction or destruction and is
// usable from the exit handler whatever the order of static destructors.
OpenFile* table[kHighestNumber + 1];

// Set by leave_open_files_at_exit, from a signal handler or another
// thread: the exit handler then keeps its hands off the table. Lock-free,
// so setting it is safe in a signal handler too.
std::atomic<bool> leave_files_at_exit{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from handlers");

OpenFile* file_at(int n) {
  if (n < kLowestNumber || n > kHighestNumber) return nullptr;
  return table[n];
}

OpenFile* input_at(int n) {
  OpenFile* f = file_at(n);
  return f != nullptr && !f->output ? f : nullptr;
}

OpenFile* output_at(int n) {
  OpenFile* f = file_at(n);
  return f != nullptr && f->output ? f : nullptr;
}

bool number_usable(int n) {
  return n >= kLowestNumber && n <= kHighestNumber && table[n] == nullptr;
}

// Once a write has failed the file is incomplete for good: later bytes are
// dropped instead of being written after a gap.
void write_through(OpenFile& f, const char* bytes, std::size_t count) {
  if (f.write_error.failed() || count == 0) return;
  f.write_error = write_file(f.handle, bytes, count);
}

void flush(OpenFile& f) {
  write_through(f, f.chars, f.len);
  f.len = 0;
}

void put_bytes(OpenFile& f, const char* bytes, std::size_t count) {
  if (count == 0) return;  // an empty view may hold no address at all
  if (f.len + count > kBufferSize) flush(f);
  if (count >= kBufferSize) {
    write_through(f, bytes, count);
    return;
  }
  std::memcpy(f.chars + f.len, bytes, count);
  f.len += count;
}

// Whether the stream of f would go on after its budget: one more byte is
// there, and it is not the 0x1A that would end the stream all the same.
bool file_goes_on(OpenFile& f) {
  char next = 0;
  return read_file(f.handle, &next, 1) == 1 && next != kEndOfFileByte;
}

// Turns the count bytes read at raw into characters at out, which lies at
// least kTranslationGap bytes before raw: every CR that an LF follows is
// dropped (the LF stands for the pair). Gives the characters made. Sixteen
// bytes are stored at a time, all of them, and the output moves on past
// those before the first CR LF: one step a line, not one a byte. The gap
// keeps each store behind the bytes still to be read.
std::size_t end_of_lines(OpenFile& f, char* out, const char* raw, std::size_t count) {
  std::size_t produced = 0;
  std::size_t in = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // While a byte follows the sixteen, which tells about a CR at their end.
  while (count - in > 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + in));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + in + 1));
    const auto pairs = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(next, lf))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + produced), chunk);
    if (pairs == 0) {
      produced += 16;
      in += 16;
      continue;
    }
    const auto kept = static_cast<std::size_t>(__builtin_ctz(pairs));  // the bytes before the CR
    produced += kept;
    in += kept + 1;
  }
#endif
  while (in < count) {
    const char c = raw[in++];
    if (c != '\r') {
      out[produced++] = c;
    } else if (in < count) {
      if (raw[in] != '\n') out[produced++] = '\r';  // the LF stands for a pair
    } else if (!f.stream_over) {
      f.carried_cr = true;  // the read ends with it: the next read decides
    } else {
      out[produced++] = '\r';  // right before 0x1A: an ordinary character
    }
  }
  return produced;
}

// Reads the next bytes of input file f and gives the characters they make,
// at the front of out, room characters at most (room at least 2); out holds
// kTranslationGap bytes more than room, and the bytes are read behind
// them. Gives 0 also while the stream goes on (a lone CR read, whose LF may
// come next). The CR LF pairs become LF and the stream ends at 0x1A; a CR
// that ends what was read waits in f.carried_cr until the next read tells
// whether an LF follows.
std::size_t read_stream(OpenFile& f, char* out, std::size_t room) {
  char* const raw = out + kTranslationGap;
  std::size_t start = 0;
  if (f.carried_cr) {
    raw[0] = '\r';
    start = 1;
    f.carried_cr = false;
  }
  std::size_t wanted = room - start;
  if (f.bytes_left >= 0) wanted = static_cast<std::size_t>(std::min<std::int64_t>(f.bytes_left, wanted));
  const std::int64_t got = wanted > 0 ? read_file(f.handle, raw + start, wanted) : 0;
  if (got <= 0) {
    if (wanted == 0) f.cut_by_budget = file_goes_on(f);
    // A CR that was the file's last byte is an ordinary character.
    f.stream_over = true;
    if (start == 1) out[0] = '\r';
    return start;
  }
  if (f.bytes_left >= 0) f.bytes_left -= got;
  std::size_t end = start + static_cast<std::size_t>(got);
  if (const void* stop = std::memchr(raw + start, kEndOfFileByte, static_cast<std::size_t>(got))) {
    end = static_cast<std::size_t>(static_cast<const char*>(stop) - raw);
    f.stream_over = true;
  }
  return end_of_lines(f, out, raw, end);
}

// Refills the character buffer of an input file whose characters are all
// delivered. False when the stream has no character left.
bool refill(OpenFile& f) {
  f.pos = 0;
  f.len = 0;
  while (!f.stream_over) {
    f.len = read_stream(f, f.chars, kBufferSize + (f.carried_cr ? 1 : 0));
    if (f.len > 0) return true;
  }
  return false;
}

bool has_character(OpenFile& f) { return f.pos < f.len || refill(f); }

// Flushes and closes every open file when the process ends normally; a
// process ended from outside leaves them to the system.
void close_at_exit() {
  if (!leave_files_at_exit.load()) close_all();
}

void remember(int n, OpenFile* f) {
  static bool exit_handler_registered = false;
  if (!exit_handler_registered) {
    exit_handler_registered = std::atexit(close_at_exit) == 0;
  }
  table[n] = f;
}

// The slot of a file just opened, or nothing when there is no memory for
// it (the open then fails like any other).
OpenFile* new_slot() {
  try {
    return new OpenFile;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Output opens: the number must be free, the paths are taken with the
// platform's own separator, and the slot is filled only when the save has begun.
OpenResult open_saved(const std::string& path, int n,
                      const std::vector<std::string>& temporary_names, const SaveRules& rules) {
  if (!number_usable(n)) return {1, {SaveStep::not_open, {}}};
  OpenFile* f = new_slot();
  if (f == nullptr) return {2, {SaveStep::temporary, refusal(FileErrorKind::no_memory)}};
  const SaveResult begun = begin_save(path, temporary_names, rules, f->save);
  if (!begun.saved()) {
    delete f;
    return {2, begun};
  }
  f->handle = f->save.file;
  f->output = true;
  remember(n, f);
  return {};
}

}  // namespace

int free_file_number() {
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    if (table[n] == nullptr) return n;
  }
  return 0;
}

int open_input(const std::string& path, int n) { return open_input_bounded(path, n, -1); }

int open_input_bounded(const std::string& path, int n, std::int64_t byte_budget) {
  if (!number_usable(n)) return 1;
  const FileHandle handle = open_file_for_reading(with_native_separators(path));
  if (handle == kNoFileHandle) return 2;
  OpenFile* f = new_slot();
  if (f == nullptr) {
    close_file_handle(handle);
    return 2;
  }
  f->handle = handle;
  f->byte_budget = byte_budget < 0 ? -1 : byte_budget;
  f->bytes_left = f->byte_budget;
  remember(n, f);
  return 0;
}

OpenResult open_output(const std::string& path, int n) {
  const std::string composed = with_native_separators(path);
  SaveRules rules;
  rules.empty_file_on_failure = true;  // a failed first output shows as an empty file
  return open_saved(composed, n, output_temporary_names(composed), rules);
}

OpenResult open_save(const std::string& path, int n, const std::string& temporary_path,
                     const SaveRules& rules) {
  return open_saved(with_native_separators(path), n, {with_native_separators(temporary_path)}, rules);
}

void close_file(int n) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return;
  if (f->output) {
    close_output(n);
    return;
  }
  close_file_handle(f->handle);
  delete f;
  table[n] = nullptr;
}

SaveResult close_output(int n, bool keep) {
  OpenFile* f = output_at(n);
  if (f == nullptr) {
    close_file(n);
    return {SaveStep::not_open, {}};
  }
  SaveResult written{SaveStep::given_up, {}};
  if (keep) {
    flush(*f);
    const FileError error = f->write_error.failed() ? f->write_error : written_out(f->handle);
    written = error.failed() ? SaveResult{SaveStep::writing, error} : SaveResult{};
  }
  const SaveResult finished = finish_save(f->save, written.saved());
  delete f;
  table[n] = nullptr;
  return written.saved() ? finished : written;
}

void leave_open_files_at_exit() { leave_files_at_exit.store(true); }

void close_all() {
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) close_file(n);
}

namespace {

// The next line of the input file f as read_line cuts it, of which at most
// keep characters are kept: the whole line is read either way.
std::string take_line(OpenFile& f, std::size_t keep) {
  std::string kept;
  std::uint64_t length = 0;              // characters before the LF
  std::uint64_t up_to_last_non_nul = 0;  // the length without trailing NULs
  char last = '\0';
  bool ended_by_lf = false;
  while (has_character(f)) {
    const char* start = f.chars + f.pos;
    const std::size_t available = f.len - f.pos;
    const void* lf = std::memchr(start, '\n', available);
    const std::size_t count =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : available;
    if (kept.size() < keep) kept.append(start, std::min(count, keep - kept.size()));
    for (std::size_t i = count; i > 0; --i) {
      if (start[i - 1] != '\0') {
        up_to_last_non_nul = length + i;
        break;
      }
    }
    if (count > 0) last = start[count - 1];
    length += count;
    f.pos += count;
    if (lf != nullptr) {
      ++f.pos;
      ended_by_lf = true;
      break;
    }
  }
  // A line the budget cut may be the beginning of a longer one.
  if (!ended_by_lf && f.cut_by_budget) return std::string();
  // The cuts worked out on the lengths.
  std::uint64_t result = ended_by_lf ? length - (length > 0 && last == '\r' ? 1 : 0)
                                     : up_to_last_non_nul;
  // A line longer than keep: kept holds its first keep characters.
  if (result > kept.size()) result = kept.size();
  kept.resize(static_cast<std::size_t>(result));
  return kept;
}

}  // namespace

// An output file has no stream to read: it reads as a file at its end.
void read_line(int n, std::string& line) {
  read_short_line(n, line, SIZE_MAX);
}

void read_short_line(int n, std::string& line, std::size_t max_length) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return;
  if (f->output || !has_character(*f)) {
    line.clear();
    return;
  }
  // A longer line is told by its first max_length + 1 characters.
  line = take_line(*f, max_length < SIZE_MAX ? max_length + 1 : max_length);
}

bool at_end(int n) {
  OpenFile* f = input_at(n);
  return f == nullptr || !has_character(*f);
}

// Only input files have a reading position; an output file is left alone.
void rewind(int n) {
  OpenFile* f = input_at(n);
  if (f == nullptr) return;
  seek_file_start(f->handle);
  f->pos = 0;
  f->len = 0;
  f->carried_cr = false;
  f->stream_over = false;
  f->bytes_left = f->byte_budget;
  f->cut_by_budget = false;
}

std::int64_t file_length(int n) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return 0;
  // Bytes written so far count as stored.
  if (f->output) flush(*f);
  const std::int64_t size = file_size(f->handle);
  return size < 0 ? 0 : size;
}

std::string read_chars(int n, std::int64_t count) {
  OpenFile* f = input_at(n);
  if (f == nullptr || count <= 0) return "";
  std::string result;
  // The stream is never longer than the file, so read_all gets its whole
  // text in one allocation; a larger count just grows the text.
  if (count > static_cast<std::int64_t>(kBufferSize)) {
    result.reserve(static_cast<std::size_t>(std::min(count, file_length(n))) + kTranslationGap);
    make_present(&result[0], result.capacity());
  }
  std::size_t wanted = static_cast<std::size_t>(count);
  while (result.size() < wanted) {
    const std::size_t missing = wanted - result.size();
    // A large piece is read straight into the room reserved for the
    // result, a whole file in one call, without passing through the block
    // buffer.
    const std::size_t free = result.capacity() - result.size();
    const std::size_t room = free > kTranslationGap ? std::min(missing, free - kTranslationGap) : 0;
    if (f->pos == f->len && room > kBufferSize && !f->stream_over) {
      const std::size_t had = result.size();
      result.resize(had + room + kTranslationGap);
      result.resize(had + read_stream(*f, &result[had], room));
      continue;
    }
    if (!has_character(*f)) break;
    std::size_t take = std::min(missing, f->len - f->pos);
    result.append(f->chars + f->pos, take);
    f->pos += take;
  }
  return result;
}

std::string read_all(int n) { return read_chars(n, file_length(n)); }

void write_line(int n, std::string_view t) {
  if (n == 0) {
    print_line(std::string(t));
    return;
  }
  OpenFile* f = output_at(n);
  if (f == nullptr) return;
  put_bytes(*f, t.data(), t.size());
  put_bytes(*f, "\r\n", 2);
}

}  // namespace rt
