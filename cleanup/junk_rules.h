// The rules that make a file junk: by the folder it lies in, and by its name.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::cleanup {

// Lower-cases the ASCII letters of a text; every other byte stays as it is.
std::string LowerAscii(std::string_view text);

// What a folder's path alone says about the files directly in it.
struct FolderRules {
  bool junkFolder = false;    // temp, cache, history, recycle folders: every file is junk
  bool systemFolder = false;  // the Windows and system32 folders: .tmp and .bak files are junk
};

// `folderPath` ends with '\'; letter case does not matter.
FolderRules ClassifyFolder(std::string_view folderPath);

// True when the file `name`, lying directly in a folder with `rules`, is junk.
bool IsJunkFile(const FolderRules& rules, std::string_view name);

}  // namespace veltrano::cleanup
