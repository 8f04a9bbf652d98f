// Why a pair, or the readability page, ended with " Fehler": one line right
// after it, "    Grund: " and the reason, in German in plain ASCII, naming
// the cue (its number as it would be written and its start time) or the
// file concerned; the readability page shows the same reason. Every reason
// a run can give, and the words for the system's errors, are written here.
#pragma once

#include <string>

#include "retime/engine.h"
#include "text/atomic_save.h"
#include "platform/shared/file_error.h"

namespace rt {

// The label of the line after " Fehler", as long as the block's other
// labels (" Timecode: "), so that the reason begins in their column.
inline const std::string kReasonLabel = "    Grund: ";

// The console line of a reason.
std::string reason_line(const std::string& reason);

// What the system said, in a few words: "kein Platz auf dem Datentraeger",
// "keine Berechtigung"...; a number the program does not tell apart as
// "Systemfehler N".
std::string file_error_text(const FileError& error);

// A file the run writes into the output folder, as the reasons call it.
enum class WrittenFile { output, report_page };

// Why a save into the output folder failed: where (the folder, the name,
// the temporary file, the writing, the rename) and the system's words.
std::string save_failure_reason(const SaveResult& result, WrittenFile file);

// The files of a pair, for the reasons that name one.
struct PairFiles {
  std::string timecode_name;
  std::string text_name;
};

// Why retime_pair ended the pair with " Fehler" (result not written): the
// cue without a share of the text, the text or timecode file at fault, the
// search without an end, the output's save, or the lack of memory.
std::string pair_failure_reason(const PairResult& result, const PairFiles& files);

// A file of the pair that could not be opened: "Textdatei nicht lesbar:
// NAME", "Timecodedatei nicht lesbar: NAME".
std::string unreadable_text_reason(const std::string& name);
std::string unreadable_timecode_reason(const std::string& name);

// A pair not run because the pair of block earlier_position used its
// output name before.
std::string output_used_before_reason(int earlier_position);

// An output name that is no name of a file directly in the output folder
// (an extension holding a separator, "." or "..").
std::string output_name_not_plain_reason();

// The readability page not written because the output of the pair of
// block position is named like it.
std::string page_name_taken_reason(int position);

}  // namespace rt
