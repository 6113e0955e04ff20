// The reference: a plain Qt window of 450 x 65 that shows one static image
// (the first frame of the same GIF, read by Qt's own image reader). Quits
// once the image is on screen. Usage: startup_static IMAGE
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "bench/startup_probe.h"

namespace {

class ImageView : public QWidget {
 public:
  ImageView(QImage image, QWidget* parent) : QWidget(parent), image_(std::move(image)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    painter.end();
    veltrano::startup::FirstImagePainted(this);
  }

 private:
  QImage image_;
};

}  // namespace

int main(int argc, char** argv) {
  veltrano::startup::Mark("main");
  QApplication app(argc, argv);
  veltrano::startup::Mark("app");
  if (argc < 2) return 2;
  QImage image(QString::fromLocal8Bit(argv[1]));
  if (image.isNull()) return 3;
  veltrano::startup::Mark("loaded");
  QWidget window;
  window.setFixedSize(450, 65);
  auto* view = new ImageView(std::move(image), &window);
  view->setGeometry(0, 0, 450, 65);
  window.show();
  veltrano::startup::Mark("shown");
  return app.exec();
}
