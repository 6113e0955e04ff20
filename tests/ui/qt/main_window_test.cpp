// The main window on the offscreen platform: its layout, its menu bar, the
// models it shows, and how clicks reach the handlers while a command runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "app/form1_texts.h"
#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "ui/qt/anigif/ani_gif_widget.h"
#include "ui/qt/banner.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_window_host.h"
#include "ui/qt/resources.h"
#include "ui/qt/scan_log_view.h"
#include "tests/ui/qt/qt_test_support.h"

namespace veltrano::qt {
namespace {

using veltrano::testing::SettleEvents;

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), text.size());
}

const char* const kMenuNames[] = {"menuqim", "menukhdd", "reudir", "menuclean", "mhelp", "menunet"};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : form_(fs_, host_) {}

  // Builds the window with handlers that log their calls (and may do more).
  void Open() {
    CommandHandlers handlers;
    handlers.menuqim = [this] { Run("menuqim", onQim); };
    handlers.menukhdd = [this] { Run("menukhdd", nullptr); };
    handlers.reudir = [this] { Run("reudir", nullptr); };
    handlers.menuclean = [this] { Run("menuclean", nullptr); };
    window_ = std::make_unique<MainWindow>(form_, handlers);
    host_.SetDialogParent(window_.get());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  void Run(const std::string& name, const std::function<void()>& extra) {
    calls.push_back(name);
    if (extra) extra();
  }

  void ClickMenu(const char* name) {
    QMenuBar* bar = window_->menuBar();
    QAction* action = window_->MenuAction(QString::fromLatin1(name));
    ASSERT_NE(action, nullptr) << name;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
  }

  fs::MemoryFileSystem fs_;
  QtWindowHost host_;
  Form1 form_;
  std::unique_ptr<MainWindow> window_;
  std::vector<std::string> calls;
  std::function<void()> onQim;
};

TEST_F(MainWindowTest, WindowHasItsCaptionIconAndFixedClientArea) {
  Open();
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Veltrano9.1正式版"));
  EXPECT_EQ(window_->Client()->size(), QSize(449, 324));
  EXPECT_EQ(window_->Client()->geometry().top(), window_->menuBar()->geometry().bottom() + 1);
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize()) << "the window cannot be resized";

  const QImage icon(QString::fromLatin1(kIconResource));
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_LE(icon.colorCount(), 16);
  EXPECT_GT(icon.colorCount(), 2);
  EXPECT_FALSE(window_->windowIcon().isNull());
}

TEST_F(MainWindowTest, ControlsKeepTheirFixedPlaces) {
  Open();
  EXPECT_EQ(window_->Banner()->geometry(), QRect(0, 0, 450, 65));
  EXPECT_EQ(window_->Banner()->toolTip(), QStringLiteral("点击此处登录作者主页!"));
  EXPECT_EQ(window_->List1()->geometry(), QRect(0, 64, 450, 240));
  EXPECT_EQ(window_->Label1()->geometry(), QRect(8, 267, 36, 12));
  EXPECT_EQ(window_->Picture1()->geometry(), QRect(0, 303, 449, 21));
  EXPECT_EQ(window_->Label1()->text(), QStringLiteral("label1"));
  EXPECT_TRUE(window_->Picture1()->text().isEmpty());

  // List1 lies over Label1, so the name holder is never seen.
  QWidget* top = window_->Client()->childAt(window_->Label1()->geometry().center());
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top == window_->List1() || window_->List1()->isAncestorOf(top));

  // The banner is the GIF control, playing the banner image held in the
  // window's built-in property set, with the control's default delayed decoding.
  auto* gif = qobject_cast<qtgif::AniGifWidget*>(window_->Banner());
  ASSERT_NE(gif, nullptr);
  EXPECT_GT(gif->Control().FrameCount(), 1);
  EXPECT_GE(gif->Control().CurrentFrame(), 1) << "the banner shows a frame";
  EXPECT_EQ(gif->Control().DelayAnimation(), 1);
  EXPECT_EQ(gif->Frame().size(), QSize(450, 65));

  // A property set that cannot be read leaves an empty banner, not a broken window.
  const uint8_t garbage[] = {1, 2, 3};
  std::unique_ptr<QWidget> empty(MakeBanner(garbage, nullptr));
  EXPECT_EQ(qobject_cast<qtgif::AniGifWidget*>(empty.get())->Control().CurrentFrame(), 0);

  // Another banner put in takes the banner's place and tooltip.
  auto* banner = new QWidget;
  window_->SetBanner(banner);
  EXPECT_EQ(window_->Banner(), banner);
  EXPECT_EQ(banner->parentWidget(), window_->Client());
  EXPECT_EQ(banner->geometry(), QRect(0, 0, 450, 65));
  EXPECT_EQ(banner->toolTip(), QStringLiteral("点击此处登录作者主页!"));
}

TEST_F(MainWindowTest, MenuBarHasSixPlainCommandsInOrder) {
  Open();
  const QList<QAction*> actions = window_->menuBar()->actions();
  const QStringList expected = {QStringLiteral("U盘杀毒"),  QStringLiteral("硬盘杀毒"),
                                QStringLiteral("U盘修复"),  QStringLiteral("磁盘清理"),
                                QStringLiteral("最新帮助"), QStringLiteral("主页留言")};
  ASSERT_EQ(actions.size(), expected.size());
  for (int i = 0; i < actions.size(); ++i) {
    EXPECT_EQ(actions[i]->text(), expected[i]);
    EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(kMenuNames[i]));
    EXPECT_EQ(actions[i]->menu(), nullptr) << "no submenus";
    EXPECT_TRUE(QKeySequence::mnemonic(actions[i]->text()).isEmpty()) << "no access keys";
  }
  // An ampersand in a caption is shown as itself and makes no access key.
  EXPECT_EQ(MenuText("A&B"), QStringLiteral("A&&B"));
  EXPECT_TRUE(QKeySequence::mnemonic(MenuText("A&B")).isEmpty());
}

TEST_F(MainWindowTest, ListShowsTheIntroductionUntilACommandClearsIt) {
  Open();
  ScanLogModel* model = window_->List1()->LogModel();
  ASSERT_EQ(model->rowCount(), 17);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(model->data(model->index(i)).toString(), Q(texts::kIntroduction[i])) << i;
  }
  EXPECT_TRUE(window_->List1()->selectionModel()->selectedRows().isEmpty());

  form_.List1.Clear();
  form_.List1.Append("    E:\\autorun.inf 已清除！");
  SettleEvents();
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->data(model->index(0)).toString(),
            QStringLiteral("    E:\\autorun.inf 已清除！"));
}

TEST_F(MainWindowTest, MenuClicksReachTheirHandlers) {
  veltrano::testing::UrlCatcher browser;
  Open();
  for (const char* name : kMenuNames) ClickMenu(name);
  SettleEvents();
  EXPECT_EQ(calls, (std::vector<std::string>{"menuqim", "menukhdd", "reudir", "menuclean"}));
  EXPECT_EQ(browser.urls, (QStringList{Q(texts::kHelpPageUrl), Q(texts::kHomePageUrl)}));

  QTest::mouseClick(window_->Banner(), Qt::LeftButton, {}, QPoint(200, 30));
  SettleEvents();
  ASSERT_EQ(browser.urls.size(), 3);
  EXPECT_EQ(browser.urls.back(), Q(texts::kHomePageUrl));
  EXPECT_EQ(calls.size(), 4u) << "the banner runs no command";
}

TEST_F(MainWindowTest, StripAndNameHolderShowTheLatestText) {
  Open();
  for (int i = 0; i < 1000; ++i) {
    form_.Picture1.Clear();
    form_.Picture1.Print("正在查找C:\\tmp\\" + std::to_string(i));
  }
  form_.Label1.SetCaption(std::string("a.tmp\0leftover", 14));
  SettleEvents();
  EXPECT_EQ(window_->Picture1()->text(), QStringLiteral("正在查找C:\\tmp\\999"));
  EXPECT_EQ(window_->Label1()->text(), QStringLiteral("a.tmp"));
  // A path that looks like markup is shown as it is.
  form_.Picture1.Print("<b>x</b>");
  SettleEvents();
  EXPECT_EQ(window_->Picture1()->textFormat(), Qt::PlainText);
  EXPECT_EQ(window_->Picture1()->text(), QStringLiteral("<b>x</b>"));
}

TEST_F(MainWindowTest, ChineseTextResolvesToASimplifiedChineseFont) {
  Open();
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  ASSERT_FALSE(chinese.isEmpty()) << "no Simplified Chinese font is installed";

  for (QWidget* widget :
       {static_cast<QWidget*>(window_->List1()), static_cast<QWidget*>(window_->Picture1()),
        static_cast<QWidget*>(window_->menuBar())}) {
    const QFontInfo info(widget->font());
    EXPECT_TRUE(chinese.contains(info.family())) << info.family().toStdString();
    const QFontMetrics metrics(widget->font());
    QString all = window_->windowTitle();
    for (std::string_view line : texts::kIntroduction) all += Q(line);
    for (QAction* action : window_->menuBar()->actions()) all += action->text();
    all += Q(texts::kMenuCleanStop);
    for (QChar c : all) {
      if (c.unicode() > 0x7f) {
        EXPECT_TRUE(metrics.inFont(c)) << "no glyph for U+" << std::hex << int{c.unicode()};
      }
    }
  }
  const QFontInfo list(window_->List1()->font());
  EXPECT_NEAR(window_->List1()->font().pointSizeF(), 10.5, 0.01);
  EXPECT_EQ(list.weight(), QFont::Normal);
}

using MainWindowDeathTest = MainWindowTest;

TEST_F(MainWindowDeathTest, ClosingTheWindowEndsTheProcessAtOnce) {
  EXPECT_EXIT(
      {
        Open();
        window_->close();
        std::fprintf(stderr, "still running\n");
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowDeathTest, ClosingTheWindowDuringACommandEndsTheProcess) {
  EXPECT_EXIT(
      {
        Open();
        onQim = [&] {
          form_.Busy = -1;
          QTimer::singleShot(0, [&] { window_->close(); });
          for (int i = 0; i < 1000; ++i) form_.DoEvents();
          std::fprintf(stderr, "command finished\n");
        };
        ClickMenu("menuqim");
        SettleEvents();
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace veltrano::qt
