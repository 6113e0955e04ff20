// The Qt window host: message boxes as the user sees and answers them, web
// pages handed to the desktop, and the end of the process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "ui/qt/qt_window_host.h"
#include "tests/ui/qt/qt_test_support.h"

namespace veltrano::qt {
namespace {

using host::MsgAnswer;
using host::MsgButtons;
using host::MsgIcon;
using veltrano::testing::AnswerNextBox;
using veltrano::testing::ClickButton;
using veltrano::testing::SeenBox;

host::MessageBoxRequest OfferLikeBox() {
  return {"是否将“Veltrano”安装到电脑/home/u/.local/bin,并添加桌面快捷方式？", "推荐安装",
          MsgButtons::kYesNo, MsgIcon::kQuestion, MsgAnswer::kYes};
}

TEST(QtWindowHostTest, YesNoBoxShowsItsTextIconButtonsAndDefault) {
  QtWindowHost host;
  SeenBox seen;
  AnswerNextBox(&seen, [](QMessageBox* box) { ClickButton(box, QStringLiteral("否(&N)")); });
  EXPECT_EQ(host.MessageBox(OfferLikeBox()), MsgAnswer::kNo);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.caption, QStringLiteral("推荐安装"));
  EXPECT_EQ(seen.text,
            QStringLiteral("是否将“Veltrano”安装到电脑/home/u/.local/bin,并添加桌面快捷方式？"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}));
  EXPECT_EQ(seen.defaultButton, QStringLiteral("是(&Y)"));
  EXPECT_TRUE(seen.applicationModal);

  AnswerNextBox(&seen, [](QMessageBox* box) { ClickButton(box, QStringLiteral("是(&Y)")); });
  EXPECT_EQ(host.MessageBox(OfferLikeBox()), MsgAnswer::kYes);

  // Enter takes the default button; Escape never answers Yes.
  AnswerNextBox(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_EQ(host.MessageBox(OfferLikeBox()), MsgAnswer::kYes);
  AnswerNextBox(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(host.MessageBox(OfferLikeBox()), MsgAnswer::kNo);

  host::MessageBoxRequest noByDefault = OfferLikeBox();
  noByDefault.defaultButton = MsgAnswer::kNo;
  AnswerNextBox(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_EQ(host.MessageBox(noByDefault), MsgAnswer::kNo);
  EXPECT_EQ(seen.defaultButton, QStringLiteral("否(&N)"));
}

TEST(QtWindowHostTest, OkBoxesCarryTheirIcons) {
  QtWindowHost host;
  const std::pair<MsgIcon, QMessageBox::Icon> icons[] = {
      {MsgIcon::kInformation, QMessageBox::Information},
      {MsgIcon::kCritical, QMessageBox::Critical},
      {MsgIcon::kExclamation, QMessageBox::Warning},
      {MsgIcon::kNone, QMessageBox::NoIcon},
  };
  for (const auto& [icon, qtIcon] : icons) {
    SeenBox seen;
    AnswerNextBox(&seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(host.MessageBox({"安装完毕！请从桌面运行Veltrano!", "欢迎使用", MsgButtons::kOk, icon,
                               MsgAnswer::kOk}),
              MsgAnswer::kOk);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.icon, qtIcon);
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("确定")});
    EXPECT_EQ(seen.caption, QStringLiteral("欢迎使用"));
  }
}

TEST(QtWindowHostTest, BoxTextIsShownAsPlainText) {
  QtWindowHost host;
  SeenBox seen;
  QString shownFormat;
  AnswerNextBox(&seen, [&](QMessageBox* box) {
    shownFormat = box->textFormat() == Qt::PlainText ? "plain" : "other";
    ClickButton(box, QStringLiteral("确定"));
  });
  host.MessageBox(
      {"<b>/tmp/a&b</b>", "Veltrano", MsgButtons::kOk, MsgIcon::kCritical, MsgAnswer::kOk});
  EXPECT_EQ(shownFormat, QStringLiteral("plain"));
  EXPECT_EQ(seen.text, QStringLiteral("<b>/tmp/a&b</b>"));
}

TEST(QtWindowHostTest, WebPagesGoToTheDesktop) {
  veltrano::testing::UrlCatcher browser;
  QtWindowHost host;
  host.OpenUrl("https://veltrano.example.com/help.html");
  EXPECT_EQ(browser.urls, QStringList{QStringLiteral("https://veltrano.example.com/help.html")});
}

TEST(QtWindowHostDeathTest, EndProcessRunsTheHookAndEndsWithTheCode) {
  EXPECT_EXIT(
      {
        QtWindowHost host;
        host.SetBeforeExit([] { std::fprintf(stderr, "log saved\n"); });
        host.EndProcess(3);
      },
      ::testing::ExitedWithCode(3), "log saved");
}

}  // namespace
}  // namespace veltrano::qt
