// What every wizard page shares: creation from its template in the installation's dialog font,
// the greyed Close entry, the product icons, centring over the background window, the focus
// command, the owner-drawn heading, side picture and banner, the colours of the page's style and
// the owner-drawn buttons. A page derives from WizardPage and adds its own controls' behaviour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/gdi_win.h"
#include "ui/wizard_rules.h"

namespace mv {

class WizardPage {
 public:
  WizardPage(std::u16string template_name, std::int32_t style_index);
  virtual ~WizardPage() = default;
  WizardPage(const WizardPage&) = delete;
  WizardPage& operator=(const WizardPage&) = delete;

  // Shows the page modally over the background window; the control number that ended it (1001 or
  // 1003), or 0 when its template cannot be created.
  int Run();
  // Creates the page modelessly (the progress dialog); nothing when the template cannot be created.
  HWND Create(HWND owner);

  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }

 protected:
  // After the shared set-up: the page's own texts and controls.
  virtual void OnInit() {}
  // A command from a control; true when the page handled it (1001 and 1003 end the page otherwise).
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // Any other message; true when handled, with `result` the dialog procedure's answer.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/, INT_PTR& /*result*/) { return false; }
  // The control that gets the focus when the page comes to the front.
  virtual int FocusControl() const { return kForwardButton; }
  // After the page came to the front with its focus set.
  virtual void OnFront() {}

  void End(int id);
  // Caption and banner: the window caption is the setup caption in the banner style and the page
  // title otherwise; the banner's lines get the banner title and the page title.
  void SetPageCaption(const std::u16string& page_title, const std::u16string& setup_caption,
                      const std::u16string& banner_title);
  void SetText(int id, const std::u16string& text);
  // A button's label: the language's text `number`, else `fallback`.
  void SetLabel(int id, int number, const std::u16string& fallback);
  std::u16string TextOf(int id) const;
  PageStyle style() const { return style_; }
  // The heading's font is made `factor` times as tall as the dialog's (the progress dialog's plain
  // and banner styles); it follows the dialog's font when that changes with the monitor's DPI.
  void EnlargeHeading(double factor) { heading_factor_ = factor; }

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void InitShared();
  HBRUSH ColourStatic(HDC dc, int id);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void DrawHeading(const DRAWITEMSTRUCT& item);
  void DrawButton(const DRAWITEMSTRUCT& item);
  HFONT HeadingFont();
  bool LoadTemplate(Bytes& dialog) const;

  std::u16string template_name_;
  std::int32_t style_index_;
  PageStyle style_;
  bool modal_ = false;
  HWND window_ = nullptr;
  UniqueBrush dialog_brush_, white_brush_, edit_brush_, button_brush_;
  double heading_factor_ = 0;
  UniqueFont heading_font_;
  HFONT heading_font_source_ = nullptr;  // the dialog font heading_font_ was made from
};

// The installation's common controls (progress bar, link control), registered once.
void InitWizardControls();

}  // namespace mv
