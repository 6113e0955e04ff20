// Time marks of the start-up benchmark. Each program prints lines
// "mark NAME NANOSECONDS" on stdout, the nanoseconds read from the monotonic
// clock (the clock the driver script reads before it starts the program).
//
// "on-screen" is taken once the first paint of the image has ended, the
// widget stack has flushed its backing store to the X server (the next turn
// of the event loop) and a round trip to the server has come back, so that
// the server has processed the image.
#pragma once

#include <QWidget>

namespace veltrano::startup {

void Mark(const char* name);
// Call at the end of the first paint that shows the image: marks it, waits
// for the flush and the round trip, marks "on-screen" and quits.
void FirstImagePainted(QWidget* widget);

}  // namespace veltrano::startup
