#include "lib/shell_link_win.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/path.h"
#include "lib/com_ptr_win.h"
#include "lib/folder_win.h"
#include "lib/shell_link.h"
#include "lib/wide_win.h"

namespace mv {

namespace {

// A failed shell result as the last error: the system error it carries, else the result itself.
bool Failed(HRESULT hr) {
  if (SUCCEEDED(hr)) return false;
  SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr));
  return true;
}

}  // namespace

bool CreateLink(const std::u16string& link_path, const std::u16string& target, const std::u16string& arguments,
                const std::u16string& working_folder, const std::u16string& icon, unsigned flags) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  if (Failed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return false;
  if (Failed(link->SetPath(W(target)))) return false;
  if (Failed(link->SetIconLocation(W(icon.empty() ? target : icon), 0))) return false;
  if (!arguments.empty() && Failed(link->SetArguments(W(arguments)))) return false;
  if (const int show = LinkShowCommand(flags); show != 0 && Failed(link->SetShowCmd(show))) return false;
  if (!working_folder.empty() && Failed(link->SetWorkingDirectory(W(LinkWorkingFolder(working_folder))))) return false;

  const std::u16string file = LinkFilePath(link_path);
  if (!(flags & kLinkNoParentFolder) && !CreateFolderChain(FolderOf(file))) return false;
  ComPtr<IPersistFile> persist = link.As<IPersistFile>();
  if (!persist) {
    SetLastError(static_cast<DWORD>(E_NOINTERFACE));
    return false;
  }
  return !Failed(persist->Save(W(file), TRUE));
}

bool InvokeShellVerb(const std::u16string& file, const std::u16string& verb) {
  ComScope com;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_INVOKEIDLIST;
  info.lpVerb = W(verb);
  info.lpFile = W(file);
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return true;
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_NO_ASSOCIATION);
  return false;
}

}  // namespace mv
