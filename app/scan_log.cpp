#include "app/scan_log.h"

#include <algorithm>
#include <utility>

namespace veltrano {

void ScanLog::Clear() {
  lines_.clear();
  selected_ = kNoSelection;
  for (auto* o : observers_) o->OnCleared();
}

void ScanLog::Append(std::string line) {
  lines_.push_back(std::move(line));
  const int index = Count() - 1;
  for (auto* o : observers_) o->OnInserted(index, 1);
}

void ScanLog::InsertAt(int index, std::string line) {
  if (index < 0 || index > Count()) return;
  lines_.insert(lines_.begin() + index, std::move(line));
  if (selected_ >= index) ++selected_;
  for (auto* o : observers_) o->OnInserted(index, 1);
}

void ScanLog::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  lines_.erase(lines_.begin() + index);
  if (selected_ == index) {
    selected_ = kNoSelection;
  } else if (selected_ > index) {
    --selected_;
  }
  for (auto* o : observers_) o->OnRemoved(index);
}

void ScanLog::ReplaceAt(int index, std::string line) {
  if (index < 0 || index >= Count()) return;
  lines_[static_cast<size_t>(index)] = std::move(line);
  for (auto* o : observers_) o->OnReplaced(index);
}

void ScanLog::Select(int index) {
  if (index < 0 || index >= Count()) return;
  selected_ = index;
  for (auto* o : observers_) o->OnSelected(index);
}

std::string ScanLog::SelectedText() const {
  if (selected_ < 0 || selected_ >= Count()) return {};
  return lines_[static_cast<size_t>(selected_)];
}

void ScanLog::AddObserver(ScanLogObserver* observer) {
  observers_.push_back(observer);
}

void ScanLog::RemoveObserver(ScanLogObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace veltrano
