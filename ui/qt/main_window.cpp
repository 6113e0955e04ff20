#include "ui/qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QString>
#include <utility>

#include "app/form1_texts.h"
#include "ui/qt/banner.h"
#include "ui/qt/deferred_text.h"
#include "ui/qt/resources.h"
#include "ui/qt/scan_log_view.h"
#include "ui/qt/window_fonts.h"

namespace veltrano::qt {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString MenuText(std::string_view caption) {
  QString text = FromUtf8(caption);
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

MainWindow::MainWindow(Form1& form, CommandHandlers commands, QWidget* parent)
    : QMainWindow(parent), form_(form), commands_(std::move(commands)) {
  EnsureResources();
  setWindowTitle(FromUtf8(texts::kWindowCaption));
  setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));

  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);  // the commands sit in the window, as laid out
  bar->setFont(SongFont(kMenuFontPointSize));
  AddCommand("menuqim", texts::kMenuQim, [this] {
    if (commands_.menuqim) commands_.menuqim();
  });
  AddCommand("menukhdd", texts::kMenuKhdd, [this] {
    if (commands_.menukhdd) commands_.menukhdd();
  });
  AddCommand("reudir", texts::kMenuReudir, [this] {
    if (commands_.reudir) commands_.reudir();
  });
  QAction* clean = AddCommand("menuclean", form_.menuclean.Caption(), [this] {
    if (commands_.menuclean) commands_.menuclean();
  });
  AddCommand("mhelp", texts::kMenuHelp, [this] { form_.mhelp_Click(); });
  AddCommand("menunet", texts::kMenuNet, [this] { form_.menunet_Click(); });
  form_.menuclean.SetListener(
      [clean](const std::string& caption) { clean->setText(MenuText(caption)); });

  // The controls keep fixed places; nothing is laid out.
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Form1"));
  client_->setFixedSize(kClientSize);
  setCentralWidget(client_);

  label1_ = new QLabel(client_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setTextFormat(Qt::PlainText);
  label1_->setGeometry(kLabel1Rect);
  ShowTextInLabel(form_.Label1, label1_);

  list1_ = new ScanLogView(form_.List1, client_);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->setGeometry(kList1Rect);
  list1_->raise();  // List1 covers Label1, which is never seen

  picture1_ = new QLabel(client_);
  picture1_->setObjectName(QStringLiteral("Picture1"));
  picture1_->setTextFormat(Qt::PlainText);
  picture1_->setFont(SongFont(kLogFontPointSize));
  picture1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picture1_->setLineWidth(1);
  picture1_->setMargin(0);
  picture1_->setIndent(0);
  picture1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture1_->setGeometry(kPicture1Rect);
  ShowTextInLabel(form_.Picture1, picture1_);

  SetBanner(MakeWindowBanner([this] { BannerClicked(); }));

  // The window is exactly the menu bar over the fixed client area.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() {
  form_.menuclean.SetListener(nullptr);
  StopShowingText(form_.Label1);
  StopShowingText(form_.Picture1);
}

void MainWindow::SetBanner(QWidget* banner) {
  if (banner == banner_) return;
  delete banner_;
  banner_ = banner;
  banner_->setParent(client_);
  banner_->setObjectName(QStringLiteral("ucAniGIF1"));
  banner_->setToolTip(FromUtf8(texts::kBannerTooltip));
  banner_->setGeometry(kBannerRect);
  banner_->lower();  // List1 starts one pixel above the banner's bottom edge
  banner_->show();
}

QAction* MainWindow::MenuAction(const QString& name) const {
  return menuBar()->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QAction* MainWindow::AddCommand(const char* name, std::string_view caption,
                                std::function<void()> handler) {
  QAction* action = menuBar()->addAction(MenuText(caption));
  action->setObjectName(QString::fromLatin1(name));
  action->setParent(menuBar());
  connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  return action;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the window ends the program at once, also in the middle of a
  // running command: no confirmation, nothing saved.
  event->accept();
  form_.Form_Unload();
}

}  // namespace veltrano::qt
