#include "ui/qt/deferred_text.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace veltrano::qt {

void ShowTextInLabel(ObservableText& text, QLabel* label) {
  label->setText(QString::fromStdString(text.Text()));
  auto* refresh = new QTimer(label);
  refresh->setSingleShot(true);
  refresh->setInterval(0);
  QObject::connect(refresh, &QTimer::timeout, label,
                   [&text, label] { label->setText(QString::fromStdString(text.Text())); });
  QPointer<QTimer> guard(refresh);
  text.SetListener([guard](const std::string&) {
    if (guard && !guard->isActive()) guard->start();
  });
}

void StopShowingText(ObservableText& text) {
  text.SetListener(nullptr);
}

}  // namespace veltrano::qt
