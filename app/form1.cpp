#include "app/form1.h"

#include <cstdlib>

#include "app/form1_texts.h"

namespace veltrano {

Form1::Form1(fs::FileSystem& fileSystem, host::WindowHost& windowHost)
    : menuclean(std::string(texts::kMenuClean)), fs_(fileSystem), host_(windowHost) {
  for (std::string_view line : texts::kIntroduction) List1.Append(std::string(line));
}

void Form1::Form_Unload() {
  host_.EndProcess(0);
  std::abort();  // EndProcess never returns; this only tells the compiler so
}

void Form1::mhelp_Click() {
  OpenWebPage(texts::kHelpPageUrl);
}

void Form1::menunet_Click() {
  OpenWebPage(texts::kHomePageUrl);
}

void Form1::ucAniGIF1_Click() {
  OpenWebPage(texts::kHomePageUrl);
}

}  // namespace veltrano
