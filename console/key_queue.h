// The console's key queue: decoded key texts waiting for poll_key, and the
// flag that records that a key press has reached the queue.
//
// Every key pushed sets the flag; taking a key clears it, and so does every
// check_key_flag (the checks of wait_for_key and sleep_ms). The queue is
// process-wide and not locked: only the main thread uses it (the thread the
// Windows console starts for Ctrl-C and closing, text/files.h, touches no
// key).
#pragma once

#include <string>

namespace rt {

// Appends a key text and sets the flag.
void push_key(const std::string& key);

// Sets the flag without queueing a key text: a key press that is kept
// elsewhere (plain input still held as bytes) has arrived.
void note_key_press();

// Takes the oldest key text and clears the flag; "" when the queue is empty
// (the flag is then left as it is).
std::string take_key();

// Whether the queue holds no key text.
bool key_queue_empty();

// Reads the flag and clears it.
bool check_key_flag();

// Drops every queued key and clears the flag.
void clear_key_queue();

}  // namespace rt
