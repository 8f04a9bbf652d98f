#include "driver/failure_reasons.h"

#include <cstdint>

#include "driver/report.h"
#include "retime/timecode.h"

namespace rt {
namespace {

// The system's answers and the file layer's refusals.
const std::string kNoSpace = "kein Platz auf dem Datentraeger";
const std::string kNoPermission = "keine Berechtigung";
const std::string kReadOnlyFileSystem = "Dateisystem nur lesbar";
const std::string kFileTooLarge = "Datei zu gross";
const std::string kIoError = "Ein-/Ausgabefehler";
const std::string kNameTooLong = "Name zu lang";
const std::string kMissing = "nicht vorhanden";
const std::string kNotAFolder = "kein Ordner";
const std::string kExists = "schon vorhanden";
const std::string kInUse = "von einem anderen Programm oder Lauf belegt";
const std::string kTooManyLinks = "zu viele Links hintereinander";
const std::string kNoMemory = "zu wenig Speicher";
const std::string kSystemError = "Systemfehler ";
const std::string kForeignLink = "Link eines anderen Benutzers";
const std::string kIsFolder = "ein Ordner";
const std::string kIsLink = "ein Link";
const std::string kNotAFile = "keine gewoehnliche Datei";
const std::string kWriteProtected = "schreibgeschuetzt";
const std::string kMovedAway = "temporaere Datei entfernt oder ersetzt";
const std::string kUnnamable = "kein gueltiger Name";

// Where a save into the output folder failed.
const std::string kOutputFolder = "Ordner untertitel";
const std::string kOutputWord = "Ausgabe";
const std::string kPageWord = "Bericht";
const std::string kTemporaryNotMade = "Temporaere Datei nicht angelegt";
const std::string kNotWritten = " nicht geschrieben";
const std::string kNotRenamed = " nicht umbenannt";
const std::string kNotOpened = " nicht geoeffnet";

// A cue, by the number line it would be written under and its start time.
const std::string kCueNumbered = "Untertitel Nr. ";
const std::string kCueUnnumbered = "Untertitel ohne Nummer";
const std::string kCueOfNoDuration = " dauert 0 ms";
const std::string kCueEndsBeforeStart = " endet vor seinem Beginn";
const std::string kCueTooShortBefore = " mit ";
const std::string kCueTooShortAfter = " ms zu kurz fuer einen Vokal (einer je ";
const std::string kCueTooShortEnd = " ms)";

// The text and the timecode file.
const std::string kTextEmpty = "Textdatei leer: ";
const std::string kTextWithoutVowels = "Text ohne Vokale in Kleinschrift: ";
const std::string kTextWithoutBreaks = "Text ohne Trennzeichen (# . , ; : oder Leerzeichen): ";
const std::string kTextUnreadable = "Textdatei nicht lesbar: ";
const std::string kTimecodesUnreadable = "Timecodedatei nicht lesbar: ";
const std::string kNoCue = "Timecodedatei ohne Untertitel: ";
const std::string kNoDuration = "Untertitel dauern zusammen 0 ms oder weniger: ";
const std::string kSingleCue = "Timecodedatei mit nur einem Untertitel: ";
const std::string kTooManyPassesBefore = "Kein Korrekturfaktor nach ";
const std::string kTooManyPassesAfter = " Runden";
const std::string kOutOfMemory = "Text oder Timecodedatei zu gross fuer den Speicher";

// The output's name.
const std::string kOutputUsedBefore = "Ausgabename schon von Objekt ";
const std::string kOutputUsedBeforeEnd = " verwendet";
const std::string kOutputNameNotPlain = "Ausgabename ist kein Dateiname im Ordner untertitel";
const std::string kPageNameTaken = "bericht.html ist schon die Ausgabe von Objekt ";

std::string cue_reason(const RetimeOutcome& outcome) {
  const std::string& line = outcome.failed_timecode_line;
  const std::string cue = (outcome.failed_number_line.empty() ? kCueUnnumbered
                                                             : kCueNumbered + outcome.failed_number_line) +
                          " (" + timecode_text(timecode_to_ms(split_timecode_line(line).start)) + ")";
  const std::int32_t duration = cue_duration(line);
  if (duration == 0) return cue + kCueOfNoDuration;
  if (duration < 0) return cue + kCueEndsBeforeStart;
  // A cue gets a vowel once its duration is half the time per vowel; the
  // search only ever gets here with vowels and a positive total.
  const std::int64_t ms_per_vowel =
      outcome.vowel_total > 0 ? (outcome.total_duration + outcome.vowel_total / 2) / outcome.vowel_total : 0;
  return cue + kCueTooShortBefore + std::to_string(duration) + kCueTooShortAfter + std::to_string(ms_per_vowel) +
         kCueTooShortEnd;
}

}  // namespace

std::string reason_line(const std::string& reason) { return kReasonLabel + reason; }

std::string file_error_text(const FileError& error) {
  switch (error.kind) {
    case FileErrorKind::no_space:
      return kNoSpace;
    case FileErrorKind::no_permission:
      return kNoPermission;
    case FileErrorKind::read_only_file_system:
      return kReadOnlyFileSystem;
    case FileErrorKind::file_too_large:
      return kFileTooLarge;
    case FileErrorKind::io_error:
      return kIoError;
    case FileErrorKind::name_too_long:
      return kNameTooLong;
    case FileErrorKind::missing:
      return kMissing;
    case FileErrorKind::not_a_folder:
      return kNotAFolder;
    case FileErrorKind::exists:
      return kExists;
    case FileErrorKind::in_use:
      return kInUse;
    case FileErrorKind::too_many_links:
      return kTooManyLinks;
    case FileErrorKind::no_memory:
      return kNoMemory;
    case FileErrorKind::foreign_link:
      return kForeignLink;
    case FileErrorKind::is_folder:
      return kIsFolder;
    case FileErrorKind::is_link:
      return kIsLink;
    case FileErrorKind::not_a_file:
      return kNotAFile;
    case FileErrorKind::write_protected:
      return kWriteProtected;
    case FileErrorKind::moved_away:
      return kMovedAway;
    case FileErrorKind::unnamable:
      return kUnnamable;
    case FileErrorKind::none:
    case FileErrorKind::other:
      break;
  }
  return kSystemError + std::to_string(error.code);
}

std::string save_failure_reason(const SaveResult& result, WrittenFile file) {
  const std::string& word = file == WrittenFile::output ? kOutputWord : kPageWord;
  const std::string because = ": " + file_error_text(result.error);
  switch (result.failed_at) {
    case SaveStep::folder:
      return kOutputFolder + because;
    case SaveStep::target:
      return word + because;
    case SaveStep::temporary:
      return kTemporaryNotMade + because;
    case SaveStep::writing:
      return word + kNotWritten + because;
    case SaveStep::placing:
      return word + kNotRenamed + because;
    case SaveStep::none:
    case SaveStep::given_up:
    case SaveStep::not_open:
      break;
  }
  return word + kNotOpened;
}

std::string pair_failure_reason(const PairResult& result, const PairFiles& files) {
  switch (result.failure) {
    case PairFailure::text_empty:
      return kTextEmpty + files.text_name;
    case PairFailure::text_without_vowels:
      return kTextWithoutVowels + files.text_name;
    case PairFailure::text_without_breaks:
      return kTextWithoutBreaks + files.text_name;
    case PairFailure::cue_without_share:
      return cue_reason(result.outcome);
    case PairFailure::no_cue:
      return kNoCue + files.timecode_name;
    case PairFailure::no_duration:
      return kNoDuration + files.timecode_name;
    case PairFailure::single_cue:
      return kSingleCue + files.timecode_name;
    case PairFailure::too_many_passes:
      return kTooManyPassesBefore + std::to_string(result.outcome.passes) + kTooManyPassesAfter;
    case PairFailure::out_of_memory:
      return kOutOfMemory;
    case PairFailure::output_not_written:
    case PairFailure::none:
      break;
  }
  return save_failure_reason(result.output, WrittenFile::output);
}

std::string unreadable_text_reason(const std::string& name) { return kTextUnreadable + name; }

std::string unreadable_timecode_reason(const std::string& name) { return kTimecodesUnreadable + name; }

std::string output_used_before_reason(int earlier_position) {
  return kOutputUsedBefore + std::to_string(earlier_position) + kOutputUsedBeforeEnd;
}

std::string output_name_not_plain_reason() { return kOutputNameNotPlain; }

std::string page_name_taken_reason(int position) { return kPageNameTaken + std::to_string(position); }

}  // namespace rt
