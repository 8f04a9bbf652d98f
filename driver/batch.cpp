#include "driver/batch.h"

#include "driver/pairing.h"
#include "driver/scan.h"
#include "text/console_print.h"
#include "text/filesystem.h"

namespace rt {

bool run_batch(const std::string& working_directory, const std::string& output_extension) {
  make_directory(output_folder(working_directory));
  const FileLists lists = scan_directory(working_directory);

  const int count = entry_count(lists.timecode_files);
  print_number(count);
  print_line(count == 1 ? " Timecodedatei" : " Timecodedateien");

  bool all_written = true;
  for (int position = 1; position <= count; ++position) {
    if (!process_pair(position, lists, working_directory, output_extension)) all_written = false;
  }
  return all_written;
}

}  // namespace rt
