// Shows an observable text of Form1 (status strip, name holder) in a label.
//
// The junk search changes these texts for every folder and every entry it
// looks at; the label only needs the latest one when the window is next
// painted, so a change only marks the label for refresh from the event loop.
#pragma once

#include "app/window_parts.h"

class QLabel;

namespace veltrano::qt {

// Shows `text` in `label` now and after every change. Call
// StopShowingText before the label goes away if `text` lives on.
void ShowTextInLabel(ObservableText& text, QLabel* label);
void StopShowingText(ObservableText& text);

}  // namespace veltrano::qt
