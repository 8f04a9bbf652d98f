#include "driver/batch.h"

#include <vector>

#include "driver/pairing.h"
#include "driver/report_page.h"
#include "driver/scan.h"
#include "driver/skipped_files.h"
#include "text/console_print.h"
#include "text/filesystem.h"

namespace rt {

bool run_batch(const std::string& working_directory, const std::string& output_extension,
               const ReadabilityLimits* report) {
  make_directory(output_folder(working_directory), false);
  const FileLists lists = scan_directory(working_directory);

  const int count = entry_count(lists.timecode_files);
  print_number(count);
  print_line(count == 1 ? " Timecodedatei" : " Timecodedateien");
  for (const SkippedFile& skipped : lists.skipped) print_line(not_read_line(skipped));

  bool all_written = true;
  OutputNames used_outputs;
  std::vector<PairReadability> readability;
  for (int position = 1; position <= count; ++position) {
    if (report == nullptr) {
      if (!process_pair(position, lists, working_directory, output_extension, used_outputs)) all_written = false;
      continue;
    }
    readability.push_back(PairReadability{});
    PairReadability& pair = readability.back();
    pair.position = position;
    pair.limits = *report;
    if (!process_pair(position, lists, working_directory, output_extension, used_outputs, &pair)) all_written = false;
    for (const std::string& line : readability_lines(pair)) print_line(line);
  }
  if (report != nullptr && !write_report_page(working_directory, *report, readability)) all_written = false;
  return all_written;
}

}  // namespace rt
