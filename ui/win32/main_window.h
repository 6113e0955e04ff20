// The main window Form1 on Windows: a fixed 449 x 324 client area holding
// the banner, the scan log List1, the hidden name holder Label1 and the
// status strip Picture1, under a menu bar of six commands. The window only
// renders Form1's models and forwards clicks to its handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "commands/form1.h"

namespace veltrano::win32 {

class GifControlWindow;
class ScanLogList;

// The four menu commands that run the work of other modules. The executable
// wires them to Form1's handlers; tests may put their own in.
struct CommandHandlers {
  std::function<void()> menuqim;
  std::function<void()> menukhdd;
  std::function<void()> reudir;
  std::function<void()> menuclean;
};

struct Box {
  int x, y, width, height;
};

// The client area and the controls' places in it, in pixels at 96 dots per
// inch (15 twips per pixel); other resolutions scale them.
inline constexpr int kClientWidth = 449;
inline constexpr int kClientHeight = 324;
inline constexpr Box kBannerBox{0, 0, 450, 65};
inline constexpr Box kList1Box{0, 64, 450, 240};
inline constexpr Box kLabel1Box{8, 267, 36, 12};
inline constexpr Box kPicture1Box{0, 303, 449, 21};

// Menu command identifiers, in the order of the menu bar.
enum MenuId : int {
  kMenuQim = 101,
  kMenuKhdd,
  kMenuReudir,
  kMenuClean,
  kMenuHelp,
  kMenuNet,
};

// The window class of Form1, which the test probes look for.
inline constexpr wchar_t kFormClassName[] = L"VeltranoForm1";

// A menu caption as the menu bar shows it: '&' stands for itself, never for
// an access key.
std::wstring MenuText(std::string_view caption);

class MainWindow {
 public:
  MainWindow(Form1& form, CommandHandlers commands);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, hidden, with its controls and the banner loaded.
  bool Create();
  void Show(int showCommand);

  intptr_t Handle() const { return window_; }
  intptr_t Menu() const { return menu_; }
  intptr_t List1() const;
  intptr_t Label1() const { return label1_; }
  intptr_t Picture1() const { return picture1_; }
  GifControlWindow* Banner() const { return banner_.get(); }
  // Dots per inch the layout was made for.
  int Dpi() const { return dpi_; }

  void BannerClicked() { form_.ucAniGIF1_Click(); }

  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

 private:
  int Scale(int pixels) const;
  void Layout();
  void OnCommand(int id);
  void SetMenuCaption(int id, std::string_view caption);
  void FitClientArea();

  Form1& form_;
  CommandHandlers commands_;
  intptr_t window_ = 0;
  intptr_t menu_ = 0;
  intptr_t font_ = 0;
  intptr_t label1_ = 0;
  intptr_t picture1_ = 0;
  int dpi_ = 96;
  std::unique_ptr<ScanLogList> list1_;
  std::unique_ptr<GifControlWindow> banner_;
};

}  // namespace veltrano::win32
