#include "app/install_offer_linux.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace veltrano {
namespace {

namespace stdfs = std::filesystem;

// System locations: a program there was installed by the system's packages.
constexpr std::string_view kSystemFolders[] = {"/usr", "/opt"};

stdfs::path Normal(std::string_view path) {
  stdfs::path p = stdfs::path(path).lexically_normal();
  // "/a/b/" and "/a/b" name the same folder.
  if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
  return p;
}

// True when `folder` is `base` or lies inside it (both absolute, compared by name).
bool IsSameOrInside(const stdfs::path& folder, const stdfs::path& base) {
  if (!folder.is_absolute() || !base.is_absolute()) return false;
  const stdfs::path relative = folder.lexically_relative(base);
  if (relative.empty()) return false;
  const stdfs::path first = *relative.begin();
  return first != "..";
}

std::string InstallFolderOf(const InstallContext& context) {
  return (Normal(context.homeDir) / ".local" / "bin").string();
}

std::string DataHomeOf(const InstallContext& context) {
  if (!context.dataHomeDir.empty()) return Normal(context.dataHomeDir).string();
  return (Normal(context.homeDir) / ".local" / "share").string();
}

// Escapes a value for a desktop entry's string type.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The program's path as the one quoted argument of an Exec key: the quoting
// rule first, then the string escapes, and '%' doubled for the field codes.
std::string ExecArgument(std::string_view program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return EscapeValue(quoted);
}

InstallFailure Failure(std::string_view step, const std::string& path, std::string reason) {
  return InstallFailure{std::string(step) + path, std::move(reason)};
}

std::string ErrnoReason(int error) {
  return error != 0 ? std::generic_category().message(error) : std::string("I/O error");
}

// Writes `bytes` to `target` through a temporary file in the same folder, so
// that a failure never leaves a partly written file under the target's name.
std::optional<std::string> WriteFileReplacing(const stdfs::path& target, std::string_view bytes,
                                              stdfs::perms permissions) {
  const stdfs::path temp = target.parent_path() / ("." + target.filename().string() + ".new");
  errno = 0;
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) return ErrnoReason(errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int error = ok ? 0 : errno;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  std::error_code ec;
  if (ok) {
    stdfs::permissions(temp, permissions, stdfs::perm_options::replace, ec);
    if (!ec) stdfs::rename(temp, target, ec);
    if (ec) {
      ok = false;
      error = ec.value();
    }
  }
  if (!ok) {
    stdfs::remove(temp, ec);
    return ErrnoReason(error);
  }
  return std::nullopt;
}

// Copies the program through a temporary file and renames it over the
// target, so that an older copy is replaced even while it is running.
std::optional<std::string> CopyProgramReplacing(const stdfs::path& from,
                                                const stdfs::path& target) {
  const stdfs::path temp = target.parent_path() / ("." + target.filename().string() + ".new");
  std::error_code ec;
  stdfs::copy_file(from, temp, stdfs::copy_options::overwrite_existing, ec);
  if (!ec) {
    stdfs::permissions(temp,
                       stdfs::perms::owner_all | stdfs::perms::group_read |
                           stdfs::perms::group_exec | stdfs::perms::others_read |
                           stdfs::perms::others_exec,
                       stdfs::perm_options::replace, ec);
  }
  if (!ec) stdfs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    stdfs::remove(temp, ignored);
    return ec.message();
  }
  return std::nullopt;
}

std::optional<std::string> CreateFolder(const stdfs::path& folder) {
  std::error_code ec;
  stdfs::create_directories(folder, ec);
  if (ec) return ec.message();
  if (!stdfs::is_directory(folder, ec)) return std::generic_category().message(ENOTDIR);
  return std::nullopt;
}

}  // namespace

std::string ProgramFolder(std::string_view programPath) {
  const stdfs::path program = stdfs::path(programPath).lexically_normal();
  return Normal(program.parent_path().string()).string();
}

bool ShouldOfferInstall(const InstallContext& context) {
  if (context.programPath.empty() || context.homeDir.empty()) return false;
  const stdfs::path folder = ProgramFolder(context.programPath);
  if (IsSameOrInside(folder, InstallFolderOf(context))) return false;
  for (std::string_view system : kSystemFolders) {
    if (IsSameOrInside(folder, stdfs::path(system))) return false;
  }
  return true;
}

InstallPlan PlanInstall(const InstallContext& context) {
  InstallPlan plan;
  plan.installFolder = InstallFolderOf(context);
  plan.installedProgram =
      (stdfs::path(plan.installFolder) / stdfs::path(context.programPath).filename()).string();
  plan.desktopEntry = (Normal(context.desktopDir) / std::string(kDesktopEntryName)).string();
  if (!context.iconPng.empty()) {
    plan.iconFile =
        (stdfs::path(DataHomeOf(context)) / "icons/hicolor/32x32/apps/veltrano.png").string();
  }
  return plan;
}

std::string DesktopEntryText(std::string_view installedProgram, std::string_view iconFile) {
  std::string entry = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Veltrano\n";
  entry += "Exec=" + ExecArgument(installedProgram) + "\n";
  if (!iconFile.empty()) entry += "Icon=" + EscapeValue(iconFile) + "\n";
  entry += "Terminal=false\nCategories=Utility;\n";
  return entry;
}

std::optional<InstallFailure> RunInstall(const InstallContext& context, const InstallPlan& plan) {
  if (auto reason = CreateFolder(plan.installFolder)) {
    return Failure(install_texts::kStepCreateFolder, plan.installFolder, *reason);
  }
  if (auto reason = CopyProgramReplacing(context.programPath, plan.installedProgram)) {
    return Failure(install_texts::kStepCopyProgram, plan.installedProgram, *reason);
  }
  if (!plan.iconFile.empty()) {
    const stdfs::path icon(plan.iconFile);
    auto reason = CreateFolder(icon.parent_path());
    if (!reason) {
      reason = WriteFileReplacing(icon, context.iconPng,
                                  stdfs::perms::owner_read | stdfs::perms::owner_write |
                                      stdfs::perms::group_read | stdfs::perms::others_read);
    }
    if (reason) return Failure(install_texts::kStepWriteIcon, plan.iconFile, *reason);
  }
  const stdfs::path entry(plan.desktopEntry);
  auto reason = CreateFolder(entry.parent_path());
  if (!reason) {
    // Desktops start an entry from the desktop folder only when it may be executed.
    reason = WriteFileReplacing(entry, DesktopEntryText(plan.installedProgram, plan.iconFile),
                                stdfs::perms::owner_all | stdfs::perms::group_read |
                                    stdfs::perms::group_exec | stdfs::perms::others_read |
                                    stdfs::perms::others_exec);
  }
  if (reason) return Failure(install_texts::kStepWriteShortcut, plan.desktopEntry, *reason);
  return std::nullopt;
}

bool LinuxInstallSteps::ShouldOffer(const InstallContext& context) const {
  return ShouldOfferInstall(context);
}

std::string LinuxInstallSteps::OfferText(const InstallContext& context) const {
  return veltrano::OfferText(PlanInstall(context).installFolder);
}

std::optional<InstallFailure> LinuxInstallSteps::Install(const InstallContext& context) {
  return RunInstall(context, PlanInstall(context));
}

}  // namespace veltrano
