// The readability page's style sheet, inline in its head: the colours of a
// light and a dark scheme (the reader's system chooses), the charts, the
// tables, sections laid out only as they come into view, a layout for
// narrow screens (a phone: the tables' rows become
// labelled blocks, the charts scroll sideways with readable text) and one
// for printing. CSS alone: the page runs no script.
#pragma once

namespace rt {

// The whole <style> element with its line ends.
extern const char* const kReportStyle;

}  // namespace rt
