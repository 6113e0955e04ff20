// The scan log List1: an ordered list of text lines, numbered from 0, with one
// selected line. Views observe it; the commands only call its operations.
//
// Line numbers and the count are plain ints: the log keeps working beyond
// 32767 lines (a million lines is a normal cleanup of a large disk).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

class ScanLogObserver {
 public:
  virtual ~ScanLogObserver() = default;
  virtual void OnCleared() = 0;
  // Lines [first, first + count) were inserted (appends have first == old count).
  virtual void OnInserted(int first, int count) = 0;
  virtual void OnRemoved(int index) = 0;
  virtual void OnReplaced(int index) = 0;
  // The selected line changed (-1 = none); the view scrolls it into view.
  virtual void OnSelected(int index) = 0;
};

class ScanLog {
 public:
  static constexpr int kNoSelection = -1;

  void Clear();
  void Append(std::string line);
  // Inserts at `index` (0..Count()); the lines from there move down by one.
  // An index out of range is ignored.
  void InsertAt(int index, std::string line);
  // Removes line `index`; ignored when out of range.
  void RemoveAt(int index);
  // Replaces the text of line `index` in place: the lines end up as after
  // inserting the new text at `index` and removing the old line, which has
  // moved to index + 1, but no later line moves and the selection stays.
  void ReplaceAt(int index, std::string line);
  int Count() const { return static_cast<int>(lines_.size()); }
  // Selects line `index`; ignored when out of range.
  void Select(int index);
  int SelectedIndex() const { return selected_; }
  // Text of the selected line; empty when nothing is selected.
  std::string SelectedText() const;
  const std::string& Line(int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Several observers may watch one log (the window's list view, a recorder).
  void AddObserver(ScanLogObserver* observer);
  void RemoveObserver(ScanLogObserver* observer);

 private:
  std::vector<std::string> lines_;
  int selected_ = kNoSelection;
  std::vector<ScanLogObserver*> observers_;
};

}  // namespace veltrano
