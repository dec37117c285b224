#include "records/install_log.h"

#include "base/codepage.h"
#include "base/format.h"
#include "base/text.h"
#include "package/header.h"

namespace mv {

namespace {

std::u16string InstallTypeName(int type) {
  switch (type) {
    case 0: return u"New";
    case 1: return u"Reinstall";
    case 2: return u"Upgrade";
    case 3: return u"Downgrade";
    default: return FormatText(u"%d", {type});
  }
}

void AddLine(std::u16string& out, std::u16string_view label, std::u16string_view value) {
  out += label;
  out += value;
  out += u"\r\n";
}

}  // namespace

std::u16string InstallLogDate(const DateTimeFields& d) {
  return FormatText(u"%04d/%02d/%02d %02d:%02d:%02d", {d.year, d.month, d.day, d.hour, d.minute, d.second});
}

std::u16string InstallLogHeaderText(const InstallLogHeader& h) {
  std::u16string out;
  AddLine(out, u"Installation log for: ", h.product_name);
  AddLine(out, u"Install date: ", InstallLogDate(h.install_date));
  if (h.uninstall_support) AddLine(out, u"Install type: ", InstallTypeName(h.install_type));
  AddLine(out, u"Install location: ", h.install_location);
  AddLine(out, u"Installer version: ", Cp1252ToUtf16(kPackageVersion));
  if (h.build_date.month != 0)
    AddLine(out, u"Installer built: ",
            FormatText(u"%04d/%02d/%02d", {h.build_date.year, h.build_date.month, h.build_date.day}));
  if (!h.product_version.empty()) AddLine(out, u"Product version: ", h.product_version);
  if (!h.overwriting_version.empty()) AddLine(out, u"Overwriting version: ", h.overwriting_version);
  AddLine(out, u"Operating system: ", h.operating_system);
  out += u"\r\n";
  return out;
}

std::string InstallLogBlockStart(bool file_empty, const InstallLogHeader& header) {
  std::string out = file_empty ? std::string(kUtf8Bom) : "\r\n\r\n" + std::string(46, '*') + "\r\n";
  out += Utf16ToUtf8(InstallLogHeaderText(header));
  return out;
}

std::string InstallLogBlockEnd(std::u16string_view failures, std::u16string_view completion_text) {
  std::string out = "\r\n";
  if (!failures.empty()) {
    out += "*** FAILURE SUMMARY ***\r\n";
    out += Utf16ToUtf8(failures);
  } else {
    out += Utf16ToUtf8(completion_text);
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> ConvertOldInstallLog(std::string_view content) {
  if (content.empty() || content.starts_with(kUtf8Bom)) return std::nullopt;
  const bool little = content.starts_with("\xFF\xFE");
  const bool big = content.starts_with("\xFE\xFF");
  std::string out(kUtf8Bom);
  if (!little && !big) return out + Utf16ToUtf8(Cp1252ToUtf16(content));

  std::string_view units = content.substr(2);
  std::u16string text(units.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<unsigned char>(units[2 * i]);
    const auto second = static_cast<unsigned char>(units[2 * i + 1]);
    text[i] = static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
  }
  // A stray last byte is no character; it is shown as the replacement character, not dropped.
  if (units.size() % 2) text += u'\uFFFD';
  return out + Utf16ToUtf8(text);
}

EndOfRunPlan PlanEndOfRun(const EndOfRunFacts& f) {
  EndOfRunPlan plan;
  plan.write_log = f.logging || f.failures;
  if (!f.final || f.automatic) return plan;
  if (f.failures) {
    plan.prompt = EndOfRunPrompt::kViewLogQuestion;
    return plan;
  }
  if (f.completion_notice_suppressed) return plan;
  plan.summary_offers_view_log = f.offer_view_log && f.logging;
  const bool summary_has_choices = plan.summary_offers_view_log || f.launch_configured;
  plan.prompt = !summary_has_choices || f.restart_pending ? EndOfRunPrompt::kCompletionMessage
                                                          : EndOfRunPrompt::kSummaryPage;
  return plan;
}

}  // namespace mv
