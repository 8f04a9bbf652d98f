// The retiming engine: spreads the text of one text file over the cues of one
// timecode file, weighed by vowels and cut at break characters, searching a
// correction factor pass by pass, and writes the re-timed cues.
#pragma once

namespace rt {

// Works on the files the caller has opened: number 1, the text file (input),
// number 2, the timecode file (input), number 3, the output file (output,
// empty). Prints " Berechne Korrekturfaktor..." and, on failure, " Fehler".
// Every open file is closed when it returns.
void retime_pair();

}  // namespace rt
