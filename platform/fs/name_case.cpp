#include "platform/fs/name_case.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace veltrano::fs {
namespace {

// Every `step`-th character from `first` to `last` maps to itself + `delta`.
struct CaseRun {
  char32_t first;
  char32_t last;
  int32_t delta;
  uint8_t step;
};

#include "platform/fs/name_case_table.inc"

template <size_t N>
char32_t Map(const CaseRun (&runs)[N], char32_t c) {
  // Runs are sorted and do not overlap: the last run starting at or before c.
  const CaseRun* end = runs + N;
  const CaseRun* it =
      std::upper_bound(runs, end, c, [](char32_t v, const CaseRun& r) { return v < r.first; });
  if (it == runs) return c;
  --it;
  if (c > it->last || (c - it->first) % it->step != 0) return c;
  return static_cast<char32_t>(static_cast<int32_t>(c) + it->delta);
}

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  return Map(kUpperRuns, c);
}

char32_t LowerCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  return Map(kLowerRuns, c);
}

}  // namespace veltrano::fs
