// The main window Form1 on screen: a fixed 449 x 324 client area holding the
// banner, the scan log List1, the hidden name holder Label1 and the status
// strip Picture1, under a menu bar of six commands. The window only renders
// Form1's models and forwards clicks to its handlers.
#pragma once

#include <QMainWindow>
#include <functional>

#include "commands/form1.h"

class QAction;
class QLabel;

namespace veltrano::qt {

class ScanLogView;

// The four menu commands that run the work of other modules. The executable
// wires them to Form1's handlers; tests may put their own in.
struct CommandHandlers {
  std::function<void()> menuqim;
  std::function<void()> menukhdd;
  std::function<void()> reudir;
  std::function<void()> menuclean;
};

// The window's client area and the controls' places in it, in pixels.
inline constexpr QSize kClientSize{449, 324};
inline constexpr QRect kBannerRect{0, 0, 450, 65};
inline constexpr QRect kList1Rect{0, 64, 450, 240};
inline constexpr QRect kLabel1Rect{8, 267, 36, 12};
inline constexpr QRect kPicture1Rect{0, 303, 449, 21};

// A menu caption as Qt shows it: '&' stands for itself, never for an access key.
QString MenuText(std::string_view caption);

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Form1& form, CommandHandlers commands, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Puts `banner` in the banner's place (taking ownership), instead of the
  // earlier banner. It gets the banner's size and tooltip; its owner routes
  // its clicks to BannerClicked().
  void SetBanner(QWidget* banner);
  void BannerClicked() { form_.ucAniGIF1_Click(); }

  QWidget* Client() const { return client_; }
  QWidget* Banner() const { return banner_; }
  ScanLogView* List1() const { return list1_; }
  QLabel* Label1() const { return label1_; }
  QLabel* Picture1() const { return picture1_; }
  // The menu command with the given control name ("menuqim" ... "menunet").
  QAction* MenuAction(const QString& name) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* AddCommand(const char* name, std::string_view caption, std::function<void()> handler);

  Form1& form_;
  CommandHandlers commands_;
  QWidget* client_ = nullptr;
  QWidget* banner_ = nullptr;
  ScanLogView* list1_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* picture1_ = nullptr;
};

}  // namespace veltrano::qt
