// The small controls of the main window, as models: the status strip
// Picture1, the name holder Label1 and a menu caption. Views observe them
// through a change callback.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace veltrano {

// A text that notifies one view when it changes.
class ObservableText {
 public:
  using Listener = std::function<void(const std::string&)>;
  explicit ObservableText(std::string initial = {}) : text_(std::move(initial)) {}
  const std::string& Text() const { return text_; }
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 protected:
  void Set(std::string text) {
    text_ = std::move(text);
    if (listener_) listener_(text_);
  }

 private:
  std::string text_;
  Listener listener_;
};

// Picture1: a one-line status strip. Every update is a clear followed by one
// print, so it shows exactly the last printed line.
class StatusStrip : public ObservableText {
 public:
  void Clear() { Set({}); }
  void Print(std::string_view text) { Set(std::string(text)); }
};

// Label1: storing a caption keeps only the text before its first NUL.
class NameHolder : public ObservableText {
 public:
  NameHolder() : ObservableText("label1") {}
  void SetCaption(std::string_view text) { Set(std::string(text.substr(0, text.find('\0')))); }
  const std::string& Caption() const { return Text(); }
};

// The caption of a menu command (menuclean switches between two).
class MenuCaption : public ObservableText {
 public:
  explicit MenuCaption(std::string initial) : ObservableText(std::move(initial)) {}
  void SetCaption(std::string_view text) { Set(std::string(text)); }
  const std::string& Caption() const { return Text(); }
};

}  // namespace veltrano
