#include "console/key_queue.h"

#include <deque>

namespace rt {
namespace {

std::deque<std::string>& queue() {
  static std::deque<std::string> keys;
  return keys;
}

bool key_flag = false;

}  // namespace

void push_key(const std::string& key) {
  queue().push_back(key);
  key_flag = true;
}

void note_key_press() { key_flag = true; }

std::string take_key() {
  if (queue().empty()) return "";
  std::string key = std::move(queue().front());
  queue().pop_front();
  key_flag = false;
  return key;
}

bool key_queue_empty() { return queue().empty(); }

bool check_key_flag() {
  bool was_set = key_flag;
  key_flag = false;
  return was_set;
}

void clear_key_queue() {
  queue().clear();
  key_flag = false;
}

}  // namespace rt
