#include "lib/desktop_shell_win.h"

#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <servprov.h>

#include "lib/com_ptr_win.h"

namespace mv {

namespace {

// The desktop's IShellDispatch2, reached through the shell's window list and the desktop's view.
ComPtr<IShellDispatch2> DesktopShellDispatch() {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put_void())))
    return {};
  VARIANT location{};
  VariantInit(&location);
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  VARIANT root{};
  VariantInit(&root);
  long hwnd = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
      !desktop)
    return {};
  ComPtr<IServiceProvider> services = desktop.As<IServiceProvider>();
  if (!services) return {};
  ComPtr<IShellBrowser> browser;
  if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()))) return {};
  ComPtr<IShellView> view;
  if (FAILED(browser->QueryActiveShellView(view.put())) || !view) return {};
  ComPtr<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) || !background) return {};
  ComPtr<IShellFolderViewDual> folder_view = background.As<IShellFolderViewDual>();
  if (!folder_view) return {};
  ComPtr<IDispatch> application;
  if (FAILED(folder_view->get_Application(application.put())) || !application) return {};
  return application.As<IShellDispatch2>();
}

}  // namespace

bool OpenThroughDesktopShell(const std::u16string& file, const std::u16string& verb) {
  ComScope com;
  if (!com.usable()) return false;
  ComPtr<IShellDispatch2> shell = DesktopShellDispatch();
  if (!shell) return false;
  Bstr path(file);
  Bstr operation(verb);
  VARIANT arguments{}, folder{}, how{}, show{};
  VariantInit(&arguments);
  VariantInit(&folder);
  VariantInit(&how);
  VariantInit(&show);
  how.vt = VT_BSTR;
  how.bstrVal = operation.get();
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(path.get(), arguments, folder, how, show));
}

}  // namespace mv
