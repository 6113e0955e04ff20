#include "tests/ui/qt/qt_test_support.h"

#include <gtest/gtest.h>

#include "ui/qt/scan_log_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace veltrano::testing {

void AnswerNextBox(SeenBox* seen, std::function<void(QMessageBox*)> answer) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, seen, answer = std::move(answer)] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    seen->shown = true;
    seen->caption = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    for (QAbstractButton* button : box->buttons()) seen->buttons << button->text();
    if (box->defaultButton() != nullptr) seen->defaultButton = box->defaultButton()->text();
    seen->applicationModal = box->windowModality() == Qt::ApplicationModal;
    answer(box);
  });
  poll->start();
}

void ClickButton(QMessageBox* box, const QString& caption) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == caption) {
      button->click();
      return;
    }
  }
  // Not the box the test expected: say so, and close it so the test goes on.
  ADD_FAILURE() << "no button " << caption.toStdString() << " in the box \""
                << box->text().toStdString() << "\"";
  box->done(0);
}

UrlCatcher::UrlCatcher() {
  QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
}

UrlCatcher::~UrlCatcher() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void UrlCatcher::Open(const QUrl& url) {
  urls << url.toString();
}

void SettleEvents() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
  // A long log's flushes are paced; wait until every list shows its log.
  const auto allShown = [] {
    for (QWidget* widget : QApplication::allWidgets()) {
      auto* view = qobject_cast<qt::ScanLogView*>(widget);
      if (view != nullptr && view->LogModel()->HasPendingChanges()) return false;
    }
    return true;
  };
  if (!QTest::qWaitFor(allShown, 5000))
    ADD_FAILURE() << "a scan-log view never showed its whole log";
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace veltrano::testing
