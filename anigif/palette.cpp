// Reading and replacing colour tables. Frames keep their palette indices in
// the strip, so a new table recolours them without decoding anything again.
#include <algorithm>

#include "anigif/uc_ani_gif.h"

namespace veltrano::anigif {
namespace {

// Table of FrameIndex: 0 the global table, k the local table of frame k;
// -1 when there is none.
int32_t ChooseTable(const FrameStore& s, int32_t FrameIndex) {
  if (FrameIndex == 0) return 0;
  if (FrameIndex > s.FrameCount()) return -1;
  const int32_t table = s.Frame(FrameIndex).ColorTable;
  return table == 0 ? -1 : table;
}

}  // namespace

// Pauses a playing animation around a table access. True when it was paused
// here and must be resumed afterwards.
bool ucAniGIF::PauseForPalette() {
  if (Action_ != PlayState::kPlaying) return false;
  Request(ActionRequest::kPause);
  // Frames still waiting for their decoding are decoded by the request; an
  // animation that is not meant to start by itself then stays stopped.
  return Action_ == PlayState::kPaused;
}

bool ucAniGIF::GetPalette(int32_t FrameIndex, std::vector<int32_t>& paletteEntries) {
  if (CurrentFrame_ == 0 || FrameIndex < 0) return false;
  const bool resume = PauseForPalette();
  bool result = false;
  const int32_t table = ChooseTable(store_, FrameIndex);
  if (table >= 0 && static_cast<size_t>(table) < store_.ColorTables.size()) {
    const ColorTable& entries = store_.ColorTables[static_cast<size_t>(table)];
    const int32_t count = entries[kColorCountSlot];
    // A file without a global table has a table of no entries: nothing to
    // give back, and the caller's array stays as it was.
    if (count > 0) {
      paletteEntries.assign(entries.begin(), entries.begin() + count);
      result = true;
    }
  }
  if (resume) Request(ActionRequest::kPlay);
  return result;
}

bool ucAniGIF::SetPalette(int32_t FrameIndex, std::span<const int32_t> paletteEntries) {
  if (CurrentFrame_ == 0) return false;
  if (paletteEntries.empty() || FrameIndex < 0) return false;
  const bool resume = PauseForPalette();
  bool result = false;
  const int32_t table = ChooseTable(store_, FrameIndex);
  if (table >= 0 && static_cast<size_t>(table) < store_.ColorTables.size()) {
    ColorTable& entries = store_.ColorTables[static_cast<size_t>(table)];
    const int32_t count = entries[kColorCountSlot];
    if (paletteEntries.size() >= static_cast<size_t>(count)) {
      ForgetComposedDrawings();
      std::copy_n(paletteEntries.begin(), count, entries.begin());
      store_.CurrentTable = -1;  // the next drawing loads the changed table
      result = true;
    }
  }
  if (resume) {
    Request(ActionRequest::kPlay);
  } else {
    host_.RepaintNow();
  }
  return result;
}

bool ucAniGIF::CacheColorTables() {
  if (store_.CacheFlag != 0) return false;
  store_.CachedTables = store_.ColorTables;
  store_.CacheFlag = 1;
  return true;
}

bool ucAniGIF::RestoreColorTables(bool bReleaseCache) {
  if (store_.CacheFlag == 0) return false;
  ForgetComposedDrawings();
  store_.ColorTables = store_.CachedTables;
  store_.CurrentTable = -1;
  if (bReleaseCache) {
    store_.CachedTables.clear();
    store_.CacheFlag = 0;
  }
  return true;
}

}  // namespace veltrano::anigif
