#include "driver/pairing.h"

#include <algorithm>

#include "driver/failure_reasons.h"
#include "retime/engine.h"
#include "retime/pair_files.h"
#include "text/console_print.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/paths.h"

namespace rt {

std::string output_folder(const std::string& working_directory) {
  return joined_path(working_directory, "untertitel");
}

TextChoice choose_text_file(const std::string& timecode_name, const NameList& text_files) {
  TextChoice best;
  for (int position = 1; position <= entry_count(text_files); ++position) {
    const std::string& text_name = text_files[position];
    const std::size_t compared = std::min(timecode_name.size(), text_name.size());
    std::size_t shared = 0;
    while (shared < compared && timecode_name[shared] == text_name[shared]) ++shared;
    // No differing byte within the shorter name: one name is a leading part
    // of the other, which says nothing about which text belongs here.
    if (shared == compared) continue;
    if (static_cast<Pos>(shared) > best.shared_length) {
      best.position = position;
      best.shared_length = static_cast<Pos>(shared);
    }
  }
  return best;
}

PairRefusal pair_refusal(const std::string& output_name, const OutputNames& used_outputs) {
  for (const UsedOutput& used : used_outputs) {
    if (same_entry_name(used.name, output_name)) return {PairRefusal::Why::output_used_before, used.position};
  }
  return {};
}

namespace {

// Ends a pair's block after its " Fehler" with the reason, and keeps the
// reason for the page. Always false: the pair failed.
bool tell_failure(const std::string& reason, PairReadability* readability) {
  print_line(reason_line(reason));
  if (readability != nullptr) {
    readability->end = PairEnd::failed;
    readability->failure_reason = reason;
  }
  return false;
}

// The block's first lines: its number, the timecode file and the text file
// chosen for it (empty for none).
void print_block_head(int position, const std::string& timecode_name, const std::string& text_name) {
  print_line("");
  print_number(position);
  print_line(". Objekt");
  print_text(" Timecode: ");
  print_line(timecode_name);
  print_text("     Text: ");
  print_line(text_name);
}

// How the opening of a pair's files went.
struct PairOpening {
  bool text_opened = false;
  bool timecodes_opened = false;
  bool plain_name = false;  // the output's name lies directly in the output folder
  OpenResult output_opened;
};

// Opens the text file and the timecode file for input, the output file
// for output. A name that would not lie directly in the output folder (an
// extension from the settings file holding "/../", say) is never opened:
// the pair then ends with " Fehler" and nothing is written.
PairOpening open_pair_files(const std::string& working_directory, const std::string& text_name,
                            const std::string& timecode_name, const std::string& output_name) {
  PairOpening opened;
  opened.text_opened = open_input(joined_path(working_directory, text_name), kTextFile) == 0;
  opened.timecodes_opened = open_input(joined_path(working_directory, timecode_name), kTimecodeFile) == 0;
  opened.plain_name = plain_file_name(output_name);
  if (opened.plain_name) {
    opened.output_opened = open_output(joined_path(output_folder(working_directory), output_name), kOutputFile);
  }
  return opened;
}

// Why a pair was not written: the first thing that went wrong. A file that
// was not read leaves the engine an empty text or no cue, and an output
// that was not opened shows there only as not written.
std::string unwritten_pair_reason(const PairResult& result, const PairOpening& opened, const std::string& text_name,
                                  const std::string& timecode_name) {
  if (!opened.text_opened) return unreadable_text_reason(text_name);
  if (!opened.timecodes_opened) return unreadable_timecode_reason(timecode_name);
  if (result.failure == PairFailure::output_not_written) {
    if (!opened.plain_name) return output_name_not_plain_reason();
    if (opened.output_opened != 0) return save_failure_reason(opened.output_opened.save, WrittenFile::output);
  }
  return pair_failure_reason(result, {timecode_name, text_name});
}

}  // namespace

bool process_pair(int position, const FileLists& lists,
                  const std::string& working_directory,
                  const std::string& output_extension,
                  OutputNames& used_outputs,
                  PairReadability* readability) {
  const std::string& timecode_name = lists.timecode_files[position];
  const TextChoice choice = choose_text_file(timecode_name, lists.text_files);
  const std::string& text_name = lists.text_files[choice.position];
  print_block_head(position, timecode_name, text_name);
  if (readability != nullptr) {
    readability->timecode_name = timecode_name;
    readability->text_name = text_name;
  }
  if (choice.position == 0) {
    print_line(" Keine passende Textdatei");
    return true;
  }

  const std::string output_name = left_text(timecode_name, choice.shared_length) + output_extension;
  print_text("  Ausgabe: ");
  print_line(output_name);
  if (readability != nullptr) readability->output_name = output_name;
  const PairRefusal refusal = pair_refusal(output_name, used_outputs);
  used_outputs.push_back({output_name, position});
  if (refusal.why != PairRefusal::Why::none) {
    print_line(kFailureLine);
    return tell_failure(output_used_before_reason(refusal.earlier_position), readability);
  }

  const PairOpening opened = open_pair_files(working_directory, text_name, timecode_name, output_name);
  print_line(" Lade Text...");
  const PairResult result =
      readability != nullptr ? retime_pair_watched(readability_tap(*readability)) : retime_pair();
  if (result.written()) return true;
  return tell_failure(unwritten_pair_reason(result, opened, text_name, timecode_name), readability);
}

}  // namespace rt
