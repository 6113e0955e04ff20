#include <string>

#include "app/form_state.h"
#include "platform/fs/file_system.h"
#include "sweep/drive_path.h"
#include "sweep/ini_reader.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {
namespace {

constexpr std::string_view kSection = "autorun";
constexpr std::string_view kKeys[] = {"open", "Shellexecute"};

}  // namespace

void CheckAutorun(SweepRun& run, int16_t drive) {
  const std::string root = fs::DriveRoot(static_cast<char>('A' + drive));

  const std::string iniPath = root + "autorun.inf";
  if (run.fs.FileExists(iniPath)) {
    // Read once for both keys; each lookup is what GetFromINI returns.
    const std::string iniText = ReadIniText(run.fs, iniPath);
    for (std::string_view key : kKeys) {
      const std::string value = FindIniValue(iniText, kSection, key);
      // A value that would leave the drive names nothing on it: ignored like
      // a missing program.
      const auto target = PathOnDrive(root, value);
      if (target && run.fs.FileExists(*target)) {
        ClearFile(run, *target, texts::kVirus, value);
      }
    }
    // Unless a key named autorun.inf itself and it went with that key.
    if (run.fs.FileExists(iniPath)) {
      ClearFile(run, iniPath, texts::kVirusFile, texts::kAutorunFileShown);
    }
  }

  const std::string folderPath = root + "Autorun.inf";
  if (run.fs.FolderExists(folderPath)) {
    const auto attributes = run.fs.GetAttributes(folderPath);
    if (attributes && attributes->HasAny(fs::kAttrHidden)) {
      run.fs.SetAttributes(folderPath, fs::kAttrNormal);
      const bool deleted = run.fs.DeleteFolderForced(folderPath);
      std::string line(texts::kVirusFolder);
      if (deleted && !run.fs.FolderExists(folderPath)) {
        line += texts::kFolderDeleted;
        run.CountRemoval();
      } else {
        line += texts::kFolderFailed;
      }
      run.form.List1.Append(std::move(line));
    }
  }
}

}  // namespace veltrano::sweep
