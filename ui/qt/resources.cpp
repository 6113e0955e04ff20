#include "ui/qt/resources.h"

#include <QtGlobal>

// Resources compiled into a static library are registered by name, from
// outside any namespace.
static void InitVeltranoResource() {
  Q_INIT_RESOURCE(veltrano);
}

namespace veltrano::qt {

void EnsureResources() {
  static const bool done = [] {
    InitVeltranoResource();
    return true;
  }();
  (void)done;
}

}  // namespace veltrano::qt
