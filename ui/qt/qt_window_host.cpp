#include "ui/qt/qt_window_host.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/anigif/input_mapping.h"
#include "ui/qt/qt_texts.h"

namespace veltrano::qt {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton ToQtButton(host::MsgAnswer answer) {
  switch (answer) {
    case host::MsgAnswer::kYes:
      return QMessageBox::Yes;
    case host::MsgAnswer::kNo:
      return QMessageBox::No;
    case host::MsgAnswer::kOk:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

void QtWindowHost::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

host::MsgAnswer QtWindowHost::MessageBox(const host::MessageBoxRequest& request) {
  QWidget* parent = (dialogParent_ && dialogParent_->isVisible()) ? dialogParent_.data() : nullptr;
  QMessageBox box(qtgif::MessageBoxIcon(request.icon), FromUtf8(request.caption),
                  FromUtf8(request.text), QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  if (request.buttons == host::MsgButtons::kYesNo) {
    box.addButton(QMessageBox::Yes)->setText(QString::fromUtf8(texts::kButtonYes));
    box.addButton(QMessageBox::No)->setText(QString::fromUtf8(texts::kButtonNo));
    // Escape and the title bar's close button answer No, never Yes.
    box.setEscapeButton(QMessageBox::No);
    box.setDefaultButton(request.defaultButton == host::MsgAnswer::kNo ? QMessageBox::No
                                                                       : QMessageBox::Yes);
  } else {
    box.addButton(QMessageBox::Ok)->setText(QString::fromUtf8(texts::kButtonOk));
    box.setEscapeButton(QMessageBox::Ok);
    box.setDefaultButton(ToQtButton(host::MsgAnswer::kOk));
  }
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (request.buttons == host::MsgButtons::kYesNo) {
    return clicked == box.button(QMessageBox::Yes) ? host::MsgAnswer::kYes : host::MsgAnswer::kNo;
  }
  return host::MsgAnswer::kOk;
}

void QtWindowHost::OpenUrl(std::string_view url) {
  // The desktop opens the page in the user's browser; a failure stays silent.
  QDesktopServices::openUrl(QUrl(FromUtf8(url)));
}

void QtWindowHost::EndProcess(int exitCode) {
  if (beforeExit_) beforeExit_();
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

}  // namespace veltrano::qt
