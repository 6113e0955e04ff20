// Helpers of the widget tests: answering message boxes the way a user does,
// and catching the web pages the desktop is asked to open.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace veltrano::testing {

// What a message box showed before the test answered it.
struct SeenBox {
  bool shown = false;
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // button captions, in the box's order
  QString defaultButton;
  bool applicationModal = false;
};

// Watches for the next modal message box; when it is up, records it into
// `seen` and lets `answer` act on it (click a button, press a key).
void AnswerNextBox(SeenBox* seen, std::function<void(QMessageBox*)> answer);
// Clicks the button with the given caption.
void ClickButton(QMessageBox* box, const QString& caption);

// Stands in for the desktop's browser: records every https page opened.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher();
  ~UrlCatcher() override;
  QStringList urls;

 public slots:
  void Open(const QUrl& url);
};

// Lets the event loop run until nothing is left to do right now and every
// scan-log view shows all of its log.
void SettleEvents();

}  // namespace veltrano::testing
