// Pairing: each timecode file gets the text file whose name shares the
// longest beginning with its own, and the output file is named after that
// shared beginning. The per-pair steps print the pair's block, open the three
// files and hand them to the retiming engine.
#pragma once

#include <string>
#include <vector>

#include "driver/report.h"
#include "driver/scan.h"
#include "text/texts.h"

namespace rt {

// The folder the outputs go to: "untertitel" in working_directory (joined
// with the platform's separator). Its name is spelt here only.
std::string output_folder(const std::string& working_directory);

struct TextChoice {
  int position = 0;         // position in the text file list; 0 for none
  Pos shared_length = 0;    // leading bytes shared with the timecode name
};

// Compares timecode_name with each text file name, from position 1 upward,
// byte for byte over the shorter of the two lengths. A name that agrees over
// that whole length (equal, or a leading part of the other) is passed over.
// Otherwise its shared length k wins when it is strictly greater than the
// best so far (which starts at 0, so k = 0 never wins and the first of equal
// lengths stays).
TextChoice choose_text_file(const std::string& timecode_name, const NameList& text_files);

// An output name a pair of the run used, with the number of its block.
struct UsedOutput {
  std::string name;
  int position = 0;
};

// The output names the pairs of one run have used so far, in their order.
using OutputNames = std::vector<UsedOutput>;

// Why a pair that has a text file is not run. One output per run: a pair
// whose output name an earlier pair of the run has used (the same name
// for the file system: on Windows regardless of case) would replace that
// pair's output.
struct PairRefusal {
  enum class Why {
    none,                // the pair runs
    output_used_before,  // an earlier pair of the run has this output name
  };
  Why why = Why::none;
  int earlier_position = 0;  // the block of that earlier pair
};

// Whether the pair with output_name may run, given the names the earlier
// pairs of the run used: the one place where a pair is refused before it
// runs.
PairRefusal pair_refusal(const std::string& output_name, const OutputNames& used_outputs);

// The per-pair steps for the timecode file at position (from 1): prints an
// empty line, " N. Objekt", " Timecode: " + name, "     Text: " + chosen
// name (the label alone when none); with no text file " Keine passende
// Textdatei" and nothing else. Otherwise prints "  Ausgabe: " + output
// name and adds the name to used_outputs; a pair that pair_refusal refuses
// then prints " Fehler" and opens nothing. Otherwise it opens the text file
// as number 1 and the timecode file as number 2 (input), creates <output
// name> in the output folder as number 3, prints " Lade Text..." and runs
// retime_pair, which closes every file. The output
// name is the shared beginning followed by output_extension; a name that
// would not lie directly in untertitel (it holds a separator, or is "." or
// "..") is not opened. Opens do not stop the pair: the engine copes with
// numbers that hold no file, and ends the pair with " Fehler" when the
// output is not open or not written completely; what failed to open is
// remembered for the reason. After every " Fehler" the reason follows on a
// line of its own (driver/failure_reasons.h). False when the pair ended
// with " Fehler"; true when its output was written, and for a timecode
// file without a text file (no pair, nothing that failed). With
// readability, the pair's names, the figures of its writing pass and the
// reason of its failure go there too.
bool process_pair(int position, const FileLists& lists,
                  const std::string& working_directory,
                  const std::string& output_extension,
                  OutputNames& used_outputs,
                  PairReadability* readability = nullptr);

}  // namespace rt
