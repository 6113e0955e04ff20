#include "ui/win32/install_steps.h"

#include <cstdio>
#include <vector>

#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace veltrano::win32 {
namespace {

// COM for the calling thread for as long as it is alive.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  // S_FALSE (already initialised) and RPC_E_CHANGED_MODE still let COM be used.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

std::string HresultReason(HRESULT hr) {
  return SystemReason(static_cast<uint32_t>(hr));
}

}  // namespace

std::string SystemReason(uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (n != 0 && buffer != nullptr) text.assign(buffer, n);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  char number[32];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
  if (text.empty()) return std::string("error ") + number;
  return Narrow(text) + " (" + number + ")";
}

std::optional<std::string> Win32InstallSteps::DesktopFolder(std::string& folder) {
  PWSTR path = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path);
  if (FAILED(hr) || path == nullptr) {
    if (path != nullptr) CoTaskMemFree(path);
    return HresultReason(FAILED(hr) ? hr : E_FAIL);
  }
  folder = Narrow(path);
  CoTaskMemFree(path);
  return std::nullopt;
}

const uint32_t kInstallCopyFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT |
                                   FOF_NOERRORUI | FOFX_SHOWELEVATIONPROMPT | FOFX_EARLYFAILURE;

long FileOperationCopier::Copy(const std::wstring& from, const std::wstring& folder,
                               const std::wstring& name, uint32_t flags, bool& aborted) {
  aborted = false;
  ComScope com;
  if (!com.Usable()) return com.Result();
  IFileOperation* operation = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                reinterpret_cast<void**>(&operation));
  if (FAILED(hr)) return hr;
  IShellItem* source = nullptr;
  IShellItem* target = nullptr;
  hr = operation->SetOperationFlags(flags);
  if (SUCCEEDED(hr)) {
    hr = SHCreateItemFromParsingName(from.c_str(), nullptr, IID_IShellItem,
                                     reinterpret_cast<void**>(&source));
  }
  if (SUCCEEDED(hr)) {
    hr = SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_IShellItem,
                                     reinterpret_cast<void**>(&target));
  }
  if (SUCCEEDED(hr)) hr = operation->CopyItem(source, target, name.c_str(), nullptr);
  if (SUCCEEDED(hr)) hr = operation->PerformOperations();
  BOOL anyAborted = FALSE;
  if (SUCCEEDED(hr) && SUCCEEDED(operation->GetAnyOperationsAborted(&anyAborted))) {
    aborted = anyAborted != FALSE;
  }
  if (target != nullptr) target->Release();
  if (source != nullptr) source->Release();
  operation->Release();
  return hr;
}

std::optional<std::string> ShellCopyFailure(long result, bool aborted) {
  const HRESULT cancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);
  if (result == cancelled || (SUCCEEDED(result) && aborted)) {
    return std::string(install_texts::kConsentRefused) + "：" + SystemReason(ERROR_CANCELLED);
  }
  if (SUCCEEDED(result)) return std::nullopt;
  // A Win32 error wrapped in an HRESULT is reported as the error itself.
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) {
    return SystemReason(static_cast<uint32_t>(HRESULT_CODE(result)));
  }
  return HresultReason(result);
}

std::optional<std::string> Win32InstallSteps::CopyProgram(const std::string& from,
                                                          const std::string& to) {
  const std::wstring source = Widen(from);
  const std::wstring target = Widen(to);
  const size_t cut = target.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return SystemReason(ERROR_INVALID_NAME);
  // The folder keeps its separator only as a drive root ("C:\").
  const std::wstring folder = target.substr(0, cut == 2 ? cut + 1 : cut);
  FileOperationCopier shell;
  ShellCopier& copier = copier_ != nullptr ? *copier_ : shell;
  bool aborted = false;
  const long result =
      copier.Copy(source, folder, target.substr(cut + 1), kInstallCopyFlags, aborted);
  if (result == E_NOTIMPL || result == REGDB_E_CLASSNOTREG) {
    // A system without the shell's file operation has no UAC either.
    if (CopyFileW(source.c_str(), target.c_str(), FALSE) == FALSE) {
      return SystemReason(GetLastError());
    }
    return std::nullopt;
  }
  return ShellCopyFailure(result, aborted);
}

std::optional<std::string> Win32InstallSteps::SaveShortcut(const std::string& link,
                                                           const std::string& target) {
  ComScope com;
  if (!com.Usable()) return HresultReason(com.Result());
  IShellLinkW* shortcut = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shortcut));
  if (FAILED(hr)) return HresultReason(hr);
  // The target is the shortcut's only property.
  const std::wstring wideTarget = Widen(target);
  hr = shortcut->SetPath(wideTarget.c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(hr)) {
    hr = shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  }
  if (SUCCEEDED(hr)) {
    const std::wstring wideLink = Widen(link);
    hr = file->Save(wideLink.c_str(), TRUE);
  }
  if (file != nullptr) file->Release();
  shortcut->Release();
  if (FAILED(hr)) return HresultReason(hr);
  return std::nullopt;
}

std::string RunningProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProductNameOf(const std::string& programPath) {
  const std::wstring path = Widen(programPath);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return {};
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation)) {
    return {};
  }
  wchar_t key[64];
  std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductName", translations[0].language,
                translations[0].codePage);
  wchar_t* value = nullptr;
  UINT chars = 0;
  if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &chars) ||
      value == nullptr || chars == 0) {
    return {};
  }
  std::wstring_view name(value, chars);
  while (!name.empty() && name.back() == L'\0') name.remove_suffix(1);
  return Narrow(name);
}

std::string ShortcutTarget(const std::string& link) {
  ComScope com;
  if (!com.Usable()) return {};
  IShellLinkW* shortcut = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shortcut)))) {
    return {};
  }
  std::string target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    const std::wstring wideLink = Widen(link);
    if (SUCCEEDED(file->Load(wideLink.c_str(), STGM_READ))) {
      wchar_t path[MAX_PATH * 4] = {};
      if (SUCCEEDED(
              shortcut->GetPath(path, static_cast<int>(std::size(path)), nullptr, SLGP_RAWPATH))) {
        target = Narrow(path);
      }
    }
    file->Release();
  }
  shortcut->Release();
  return target;
}

}  // namespace veltrano::win32
