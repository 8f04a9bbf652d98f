// The run sequence: one pass from the settings file through the directory
// prompt and the batch to "Fertig" and the final wait for a key.
#pragma once

#include <string>

#include "driver/report.h"
#include "driver/working_directory.h"

namespace rt {

// The whole run: creates the settings file (settings_path(); where the
// program's folder takes none, users_settings_path()) with its two
// defaults when there is none, asks "Verzeichnis: " on an editable line
// that starts with the stored directory, and takes the answer (the
// program's own directory for an empty one) as find_directory does with
// the dot rule. A directory found is stored as its absolute path and the
// batch runs over it; otherwise one line says what was not found and
// nothing is stored, scanned or made. The run ends with "Fertig" and a wait
// for a key. An output extension that cannot be read from the settings
// (no such line, no settings file that can be read) is ".src". With
// report, the batch adds the readability report (see run_batch).
void run_program(const ReadabilityLimits* report = nullptr);

// The batch on directory, without the prompt and without the wait for a
// key at the end: for a directory given on the command line, which the
// caller has resolved (resolve_directory). It is taken as it is and
// stored. True when no pair ended with " Fehler". With report, as
// run_program.
bool run_program_on(const std::string& directory, const ReadabilityLimits* report = nullptr);

}  // namespace rt
