// The banner as the program shows it: the GIF control in its Qt host, in a
// 450 x 65 window, at start given the banner's stored property set (built
// into the program, as the main window does) or, with a path, the GIF file.
// Quits once the first frame is on screen.
// Usage: startup_banner [BANNER.gif]
#include <QApplication>
#include <QPaintEvent>

#include "anigif/banner_property_set.h"
#include "anigif/property_bag.h"
#include "bench/startup_probe.h"
#include "ui/qt/anigif/ani_gif_widget.h"

namespace {

class ProbedBanner : public veltrano::qtgif::AniGifWidget {
 public:
  using AniGifWidget::AniGifWidget;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!begun_) veltrano::startup::Mark("first-paint-begin");
    begun_ = true;
    AniGifWidget::paintEvent(event);
    if (Control().CurrentFrame() != 0) veltrano::startup::FirstImagePainted(this);
  }

 private:
  bool begun_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  using veltrano::anigif::PropertyBag;
  veltrano::startup::Mark("main");
  QApplication app(argc, argv);
  veltrano::startup::Mark("app");
  QWidget window;
  window.setFixedSize(450, 65);
  auto* banner = new ProbedBanner(&window);
  banner->setGeometry(0, 0, 450, 65);
  if (argc >= 2) {
    if (!banner->Control().LoadAnimatedGIF_File(argv[1])) return 3;
  } else {
    const auto bag = PropertyBag::Parse(veltrano::anigif::BannerPropertySet());
    if (!bag) return 3;
    banner->Control().ReadProperties(*bag);
    if (banner->Control().CurrentFrame() == 0) return 3;
  }
  veltrano::startup::Mark("loaded");
  window.show();
  veltrano::startup::Mark("shown");
  return app.exec();
}
