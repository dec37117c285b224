#include "lists_json.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "json_util.h"
#include "package/corrupt.h"
#include "records/deferred_rules.h"

namespace mvpack {

using nlohmann::json;

namespace {

constexpr const char* kPart = "lists";
constexpr const char* kLanguagesKey = "languages";
constexpr const char* kTextCountKey = "textCount";

// Every field of each record, with its key and JSON form.
template <class V>
void VisitRecord(V& v, mv::DeletionRecord& d) {
  v.A("path", d.path);
  v.Int("condition", d.condition);
  v.A("comparison", d.comparison);
  v.Int("flags", d.flags);
}

template <class V>
void VisitRecord(V& v, mv::AssociationRecord& a) {
  v.Int("kind", a.kind);
  v.W("extension", a.extension);
  v.A("fileType", a.file_type);
  v.A("description", a.description);
  v.A("verbs", a.verbs);
  v.A("verbLabel", a.verb_label);
  v.W("command", a.command);
  v.W("language", a.language);
  v.W("icon", a.icon);
}

template <class V>
void VisitRecord(V& v, mv::ShortcutEntry& s) {
  v.W("target", s.target);
  v.W("name", s.name);
  v.W("icon", s.icon);
  v.W("arguments", s.arguments);
  v.W("workingFolder", s.working_folder);
  v.Switch("desktop", s.desktop);
  v.Switch("startMenu", s.start_menu);
  v.Switch("startup", s.startup);
  v.W("folder", s.folder);
  v.Int("showState", s.show_state);
  v.Switch("keep", s.keep);
}

template <class V>
void VisitRecord(V& v, mv::UninstallRegistryRecord& u) {
  v.W("name", u.name);
  v.Int("type", u.type);
  v.W("value", u.value);
}

template <class V>
void VisitRecord(V& v, mv::CloseProgramRecord& c) {
  v.W("windowClass", c.window_class);
  v.W("windowTitle", c.window_title);
  v.W("programName", c.program_name);
  v.Byte("action", c.action);
  v.Int("flags", c.flags);
}

// Checks of a record read from a project, beyond the type of each field: a conditional deletion's
// comparison must be one the installer can read, or the built installer would stop as damaged.
template <class R>
void CheckRecord(const R&, const std::string&) {}

void CheckRecord(const mv::DeletionRecord& d, const std::string& path) {
  try {
    mv::ParseDeletionCondition(d.condition, d.comparison);
  } catch (const mv::CorruptPackage&) {
    BadKey(path + "comparison", d.condition <= 3 ? "expected a date \"yyyy/mm/dd\" with an optional \" hh:mm:ss\""
                                                 : "expected a number of bytes");
  }
}

// The lists object's own fields; the languages are handled apart.
template <class V>
void VisitLists(V& v, mv::Lists& l) {
  v.Records("deletions", l.DeletionList);
  v.Records("associations", l.AssociationList);
  v.Records("shortcuts", l.ShortcutList);
  v.W("rootShortcutCommand", l.RootShortcutCommand);
  v.W("rootShortcutName", l.RootShortcutName);
  v.W("pinTarget", l.PinTarget);
  v.W("pinName", l.PinName);
  v.Records("uninstallRegistry", l.UninstallRegistryList);
  v.A("supportOffer", l.SupportOffer);
  v.Binary("productIcon", l.ProductIcon);
  v.Records("closePrograms", l.CloseProgramList);
}

class ToJsonVisitor {
 public:
  json out = json::object();

  void W(const char* key, std::u16string& v) { out[key] = Utf16Json(v); }
  void A(const char* key, std::string& v) { out[key] = Cp1252Json(v); }
  template <class T>
  void Int(const char* key, T& v) {
    out[key] = v;
  }
  void Byte(const char* key, std::uint32_t& v) { out[key] = v; }
  void Switch(const char* key, std::uint8_t& v) {
    if (v <= 1) {
      out[key] = v == 1;
    } else {
      out[key] = v;
    }
  }
  void Binary(const char* key, mv::Bytes& v) { out[key] = Base64Encode(v); }
  template <class R>
  void Records(const char* key, std::vector<R>& list) {
    json array = json::array();
    for (R& record : list) {
      ToJsonVisitor sub;
      VisitRecord(sub, record);
      array.push_back(std::move(sub.out));
    }
    out[key] = std::move(array);
  }
};

// Reads the fields an object has; the others keep their empty values. `path` prefixes the keys
// in errors ("shortcuts[2].").
class FromJsonVisitor {
 public:
  FromJsonVisitor(const json& in, std::string path) : in_(in), path_(std::move(path)) {
    if (!in.is_object()) {
      BadKey(path_.empty() ? std::string(kPart) : path_.substr(0, path_.size() - 1), "expected an object");
    }
  }

  std::string Path(const std::string& key) const { return path_ + key; }

  const json* Find(const char* key) {
    claimed_.insert(key);
    const auto it = in_.find(key);
    return it == in_.end() ? nullptr : &*it;
  }

  void CheckNoOtherKeys() const {
    for (const auto& item : in_.items()) {
      if (!claimed_.count(item.key())) BadKey(Path(item.key()), "unknown key");
    }
  }

  void W(const char* key, std::u16string& v) {
    if (const json* j = Find(key)) v = Utf16FromJson(*j, Path(key));
  }
  void A(const char* key, std::string& v) {
    if (const json* j = Find(key)) v = Cp1252FromJson(*j, Path(key));
  }
  template <class T>
  void Int(const char* key, T& v) {
    if (const json* j = Find(key)) v = IntegerValue<T>(*j, Path(key));
  }
  // A one-byte value kept in a wider field.
  void Byte(const char* key, std::uint32_t& v) {
    if (const json* j = Find(key)) v = IntegerValue<std::uint8_t>(*j, Path(key));
  }
  void Switch(const char* key, std::uint8_t& v) {
    const json* j = Find(key);
    if (!j) return;
    v = j->is_boolean() ? static_cast<std::uint8_t>(j->get<bool>()) : IntegerValue<std::uint8_t>(*j, Path(key));
  }
  void Binary(const char* key, mv::Bytes& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!Base64Object(*j, Path(key), v)) v = Base64Decode(StringValue(*j, Path(key)), Path(key));
  }
  template <class R>
  void Records(const char* key, std::vector<R>& list) {
    const json* j = Find(key);
    if (!j) return;
    if (!j->is_array()) BadKey(Path(key), "expected an array of objects");
    for (std::size_t i = 0; i < j->size(); ++i) {
      R record;
      FromJsonVisitor sub((*j)[i], Path(key) + "[" + std::to_string(i) + "].");
      VisitRecord(sub, record);
      sub.CheckNoOtherKeys();
      CheckRecord(record, Path(key) + "[" + std::to_string(i) + "].");
      list.push_back(std::move(record));
    }
  }

 private:
  const json& in_;
  std::string path_;
  std::set<std::string> claimed_;
};

// The number of texts a JSON form needs to list: one past the highest non-empty text.
std::size_t ListedTextCount(const std::vector<mv::Language>& languages) {
  std::size_t count = 0;
  for (const mv::Language& language : languages) {
    for (std::size_t n = language.texts.size(); n > count; --n) {
      if (!language.texts[n - 1].empty()) {
        count = n;
        break;
      }
    }
  }
  return count;
}

json LanguagesToJson(const std::vector<mv::Language>& languages) {
  json array = json::array();
  for (const mv::Language& language : languages) {
    json texts = json::object();
    for (std::size_t n = 0; n < language.texts.size(); ++n) {
      if (!language.texts[n].empty()) texts[std::to_string(n)] = Utf16Json(language.texts[n]);
    }
    array.push_back({{"name", Utf16Json(language.name)}, {"texts", std::move(texts)}});
  }
  return array;
}

// A text number: decimal digits without a leading zero, below the largest text count.
std::size_t TextNumber(const std::string& text, const std::string& key) {
  const bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || (text.size() > 1 && text[0] == '0')) BadKey(key, "a text number is a decimal number");
  const std::size_t n = std::stoul(text);
  if (n >= mv::kMaxTextCount) BadKey(key, "text numbers run from 0 to " + std::to_string(mv::kMaxTextCount - 1));
  return n;
}

std::vector<mv::Language> LanguagesFromJson(const json& j, const json* text_count_json) {
  if (!j.is_array()) BadKey(kLanguagesKey, "expected an array of languages");
  if (j.size() > mv::kMaxLanguages) BadKey(kLanguagesKey, "at most 200 languages");

  // Numbered texts first, so that every language can then take the same count.
  std::vector<mv::Language> languages;
  std::vector<std::vector<std::pair<std::size_t, std::u16string>>> numbered;
  std::size_t text_count = 0;
  for (std::size_t i = 0; i < j.size(); ++i) {
    const std::string path = std::string(kLanguagesKey) + "[" + std::to_string(i) + "].";
    FromJsonVisitor v(j[i], path);
    mv::Language& language = languages.emplace_back();
    v.W("name", language.name);
    auto& texts = numbered.emplace_back();
    if (const json* t = v.Find("texts")) {
      if (!t->is_object()) BadKey(path + "texts", "expected an object of numbered texts");
      for (const auto& item : t->items()) {
        const std::string key = path + "texts." + item.key();
        const std::size_t n = TextNumber(item.key(), key);
        texts.emplace_back(n, Utf16FromJson(item.value(), key));
        text_count = std::max(text_count, n + 1);
      }
    }
    v.CheckNoOtherKeys();
  }
  if (text_count_json) {
    const auto given = IntegerValue<std::uint32_t>(*text_count_json, kTextCountKey);
    if (given < 1 || given > mv::kMaxTextCount) BadKey(kTextCountKey, "1 to 10000 texts per language");
    if (given < text_count) BadKey(kTextCountKey, "a language lists text " + std::to_string(text_count - 1));
    text_count = given;
  }
  for (std::size_t i = 0; i < languages.size(); ++i) {
    languages[i].texts.resize(text_count);
    for (auto& [n, text] : numbered[i]) languages[i].texts[n] = std::move(text);
  }
  return languages;
}

}  // namespace

json ListsToJson(const mv::Lists& lists) {
  mv::Lists copy = lists;
  ToJsonVisitor v;
  VisitLists(v, copy);
  v.out[kLanguagesKey] = LanguagesToJson(lists.Languages);
  if (!lists.Languages.empty()) {
    const std::size_t text_count = lists.Languages.front().texts.size();
    if (text_count != ListedTextCount(lists.Languages)) v.out[kTextCountKey] = text_count;
  }
  return std::move(v.out);
}

mv::Lists ListsFromJson(const json& j) {
  return InPart(kPart, [&] {
    mv::Lists lists;
    FromJsonVisitor v(j, "");
    VisitLists(v, lists);
    for (mv::ShortcutEntry& s : lists.ShortcutList) s.from_settings = true;
    const json* languages = v.Find(kLanguagesKey);
    const json* text_count = v.Find(kTextCountKey);
    if (languages) {
      lists.Languages = LanguagesFromJson(*languages, text_count);
    } else if (text_count) {
      BadKey(kTextCountKey, "given without languages");
    }
    v.CheckNoOtherKeys();
    return lists;
  });
}

}  // namespace mvpack
