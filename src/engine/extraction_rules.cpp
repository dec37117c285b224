#include "base/path.h"
#include "engine/extraction_rules.h"

#include "base/format.h"
#include "base/version.h"

namespace mv {

namespace {

bool IsSlash(char16_t c) { return c == u'\\' || c == u'/'; }
bool HasDrive(std::u16string_view p) {
  return p.size() >= 2 && p[1] == u':' && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'));
}
bool IsAbsolutePath(std::u16string_view p) {
  return (HasDrive(p) && p.size() >= 3 && IsSlash(p[2])) || (p.size() >= 2 && IsSlash(p[0]) && IsSlash(p[1]));
}

std::u16string WithoutTrailingSlashes(std::u16string_view p) {
  while (!p.empty() && IsSlash(p.back())) p.remove_suffix(1);
  return std::u16string(p);
}

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string out = WithoutTrailingSlashes(folder);
  out += u'\\';
  out += name;
  return out;
}

// The part of `path` that ".." never climbs above: "C:" or "\\server\share".
std::size_t RootLength(std::u16string_view p) {
  if (HasDrive(p)) return 2;
  if (p.size() >= 2 && IsSlash(p[0]) && IsSlash(p[1])) {
    std::size_t at = p.find_first_of(u"\\/", 2);
    if (at == std::u16string_view::npos) return p.size();
    at = p.find_first_of(u"\\/", at + 1);
    return at == std::u16string_view::npos ? p.size() : at;
  }
  return 0;
}

std::u16string ParentOf(std::u16string_view p) {
  const std::size_t slash = p.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(p.substr(0, slash));
}

}  // namespace

KindRules RulesOfKind(std::uint32_t kind, bool removable_target) {
  switch (kind) {
    case 0:
    case 5:
    case 10:
    case 11:
    case 12: return {BaseFolder::kInstall, ExistingCheck::kNone, true, true};
    case 1: return {BaseFolder::kShared, ExistingCheck::kDate, removable_target, false};
    case 4: return {BaseFolder::kFonts, ExistingCheck::kDate, false, false};
    case 6:
    case 7:
    case 8: return {BaseFolder::kSystem, ExistingCheck::kVersionThenDate, false, false};
    case 9: return {BaseFolder::kInstall, ExistingCheck::kVersionThenDate, true, true};
    default: return {BaseFolder::kInstall, ExistingCheck::kNone, true, true};
  }
}

std::u16string ResolveAgainst(std::u16string_view base_text, std::u16string_view relative) {
  if (IsAbsolutePath(relative)) return std::u16string(relative);
  if (HasDrive(relative)) return std::u16string(relative.substr(0, 2)) + u"\\" + std::u16string(relative.substr(2));
  std::u16string base = WithoutTrailingSlashes(base_text);
  if (!relative.empty() && IsSlash(relative[0])) return base.substr(0, RootLength(base)) + std::u16string(relative);
  const std::size_t root = RootLength(base);
  for (;;) {
    if (relative == u"..") {
      relative = {};
    } else if (relative.size() >= 3 && relative.substr(0, 2) == u".." && IsSlash(relative[2])) {
      relative.remove_prefix(3);
    } else {
      break;
    }
    const std::size_t slash = base.find_last_of(u"\\/");
    base.resize(slash == std::u16string::npos || slash < root ? root : slash);
  }
  return Join(base, relative);
}

Destination PlanDestination(const DestinationInput& in, const std::function<std::u16string(std::u16string)>& expand) {
  Destination out;
  out.name = in.name;
  std::u16string sub = in.destination;
  if (!sub.empty() && sub.find(u'\\') == std::u16string::npos) {
    out.name = sub;  // a new name for the file
    sub.clear();
  }
  if (in.kind == 1 && in.removable_target && !in.file_option_text.empty()) {
    if (sub.empty() || IsAbsolutePath(sub) || HasDrive(sub) || sub[0] == u'%')
      sub.clear();
    else
      sub = Join(in.file_option_text, sub);
  }
  const KindRules rules = RulesOfKind(in.kind, in.removable_target);
  if (!sub.empty()) {
    sub = expand(std::move(sub));
    if (sub.empty() || !IsSlash(sub.back())) sub += u'\\';
    out.path = ResolveAgainst(in.kind == 1 ? in.shared_dir : in.install_dir, sub);
    if (IsSlash(out.path.back())) out.path += FileNameOf(out.name);
    out.create_folder = true;
  } else if (in.flags & kRecordInUninstallFolder) {
    out.path = Join(in.uninstall_dir, out.name);
  } else {
    const std::u16string* base = &in.install_dir;
    switch (rules.base) {
      case BaseFolder::kShared: base = &in.shared_dir; break;
      case BaseFolder::kFonts: base = &in.fonts_dir; break;
      case BaseFolder::kSystem: base = &in.system_dir; break;
      case BaseFolder::kInstall: break;
    }
    out.path = Join(*base, out.name);
    out.create_folder = rules.create_folder;
  }
  out.folder = ParentOf(out.path);
  return out;
}

bool NeedsExistingFile(const OverwriteInput& in) {
  const std::uint32_t mode = OverwriteMode(in.flags);
  if (mode == 1 || mode == 5) return false;
  return mode == 2 || mode == 3 || mode == 4 || RulesOfKind(in.kind, in.removable_target).check != ExistingCheck::kNone;
}

bool NeedsExistingVersion(const OverwriteInput& in) {
  return in.existing.exists && !in.record_version.empty() &&
         RulesOfKind(in.kind, in.removable_target).check == ExistingCheck::kVersionThenDate;
}

OverwriteDecision DecideOverwrite(const OverwriteInput& in) {
  const KindRules rules = RulesOfKind(in.kind, in.removable_target);
  const bool recordable = rules.recorded && !(in.flags & kRecordPermanent);
  const std::u16string& path = in.destination;
  OverwriteDecision passed;  // nothing written
  const auto pass = [&](std::u16string log, bool record) {
    passed.log = std::move(log);
    passed.record = record;
    return passed;
  };

  switch (OverwriteMode(in.flags)) {
    case 1:
    case 5:
      return pass({}, false);
    case 2:
      if (!in.existing.exists) return pass(path + u" was not installed because it does not already exist.\r\n", false);
      break;
    case 3:
      if (in.existing.exists) return pass(path + u" was not installed because it already exists.\r\n", recordable);
      break;
    case 4:
      if (in.existing.date && in.existing.date->Complete() && in.record_date.Complete() &&
          CompareFileDateTime(*in.existing.date, in.record_date) > 0)
        return pass(path + u" was not installed because the existing file is newer.\r\n", recordable);
      break;
    default:
      break;
  }

  OverwriteDecision write;
  write.write = true;
  write.record = recordable;
  if (rules.check == ExistingCheck::kNone || !in.existing.exists) return write;
  write.replacement_allowed = true;

  std::u16string reason;
  if (rules.check == ExistingCheck::kDate) {
    const bool up_to_date = in.record_date.Complete() && in.existing.date &&
                            CompareFileDateTime(*in.existing.date, in.record_date) >= 0;
    if (up_to_date) return pass(path + u" is up to date.\r\n", in.kind == 1 && in.removable_target && recordable);
  } else {
    const bool kind9 = in.kind == 9;
    if (!in.record_version.empty() && !in.existing.version.empty()) {
      if (CompareVersions(in.record_version, in.existing.version) <= 0)
        return pass(FormatText(u"%s was not installed because its version (%s) is not newer than %s\r\n",
                               {path, in.record_version, in.existing.version}),
                    kind9 && recordable);
      reason = FormatText(u"its version (%s) is newer than %s", {in.record_version, in.existing.version});
    }
    if (in.existing.date) {
      const std::u16string record_text = FileDateTimeText(in.record_date);
      const std::u16string existing_text = FileDateTimeText(*in.existing.date);
      if (CompareFileDateTime(in.record_date, *in.existing.date) <= 0)
        return pass(FormatText(u"%s was not installed because its date (%s) is not newer than %s.\r\n",
                               {path, record_text, existing_text}),
                    kind9 && recordable);
      if (!reason.empty()) reason += u" and ";
      reason += FormatText(u"its date (%s) is newer than %s", {record_text, existing_text});
    }
  }
  write.log = reason.empty() ? path + u" is out of date and will be replaced.\r\n"
                             : path + u" needs replacement because " + reason + u"\r\n";
  return write;
}

}  // namespace mv
