#include "app/form_state.h"

#include "app/form1_texts.h"

namespace veltrano {

FormState::FormState(fs::FileSystem& fileSystem, host::WindowHost& windowHost)
    : menuclean(std::string(texts::kMenuClean)), fs_(fileSystem), host_(windowHost) {
  for (std::string_view line : texts::kIntroduction) List1.Append(std::string(line));
}

}  // namespace veltrano
