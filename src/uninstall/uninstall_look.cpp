#include "uninstall/uninstall_look.h"

#include "base/real_text.h"
#include "ui/color_text.h"
#include "ui/message_box.h"

namespace mv {

void ReadUninstallLook(const ProductKeyReader& key, const LookSystemColours& system, std::uint32_t product_flags2,
                       Settings& s) {
  auto text = [&](std::u16string_view name, std::u16string_view fallback = {}) {
    return key.text(name).value_or(std::u16string(fallback));
  };
  auto number = [&](std::u16string_view name, std::uint32_t fallback) { return key.number(name).value_or(fallback); };
  auto real = [&](std::u16string_view name, double fallback) {
    const std::optional<std::u16string> written = key.text(name);
    const std::optional<double> value = written ? ParseRealText(*written) : std::nullopt;
    return value.value_or(fallback);
  };
  auto colour = [&](std::u16string_view name) -> std::optional<std::uint32_t> {
    const std::optional<std::u16string> written = key.text(name);
    return written ? ParseColorText(*written) : std::nullopt;
  };

  s.DialogFont = text(u"DialogFont");
  s.DisplayTitle = text(u"DisplayTitle");
  s.TitleFont = text(u"TitleFont");
  s.CopyrightText = text(u"CopyrightText");
  s.CopyrightFont = text(u"CopyrightFont");
  s.TitleSize = real(u"TitleSize", 1.0);
  s.TitleColor = number(u"TitleColor", system.window_text);
  s.TitleShadow = static_cast<std::uint8_t>(number(u"TitleShadow", 1));
  s.TopColor = number(u"TopColor", system.window);
  s.BottomColor = number(u"BottomColor", 0);
  if (number(u"MonoColor", 1) != 0) s.BottomColor = s.TopColor;  // one colour: no gradient
  s.TitlePosition = static_cast<std::uint8_t>(number(u"TitlePosition", 0));
  s.CopyrightPos = static_cast<std::uint8_t>(number(u"CopyrightPos", 0));
  s.TaskbarText = text(u"TaskbarText", u"Setup");
  s.CopyrightSize = real(u"CopyrightSize", 0.0);
  s.CopyrightColor = colour(u"CopyrightColor").value_or(0);
  s.BannerFG = colour(u"BannerFG").value_or(0);
  s.ProgressStyle = static_cast<std::int32_t>(number(u"ProgressStyle", 2));

  bool dialog_brush = false;
  if (s.ProductFlags & kFlagDialogColours) {
    if (const std::optional<std::uint32_t> background = colour(u"DialogBG")) {
      const std::optional<std::uint32_t> foreground = colour(u"DialogFG");
      dialog_brush = foreground.has_value();
      s.DialogBG = foreground ? *background : 0xFFFFFFFFu;  // no colour without a text colour
      if (foreground) s.DialogFG = *foreground;
    }
  }
  if (!dialog_brush) s.ProductFlags &= ~kFlagDialogColours;

  if (product_flags2 & kFlags2ButtonColours) {
    s.ButtonBG = colour(u"ButtonBG").value_or(0);
    s.ButtonFG = colour(u"ButtonFG").value_or(0);
    s.ButtonBorder = colour(u"ButtonBorder").value_or(0);
  }
  s.DialogZoom = EffectiveDialogZoom(static_cast<std::int32_t>(number(u"DialogZoom", 0)));
  if (s.ProductFlags & kFlagBackgroundPicture) {
    s.BitmapTPI = static_cast<std::int32_t>(number(u"BitmapTPI", static_cast<std::uint32_t>(-1)));
    s.StretchMode = static_cast<std::int32_t>(number(u"StretchMode", 0));
    s.BitmapSize = static_cast<std::int32_t>(number(u"BitmapSize", 0));
  }
}

}  // namespace mv
