#include "ui/dialog_template.h"

namespace mv {

namespace {

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT; DS_SHELLFONT includes it

// Reads the little-endian template field by field; a read past the end fails and stays failed.
struct Cursor {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  bool ok = true;

  bool Skip(std::size_t size) {
    if (!ok || bytes.size() - at < size) ok = false;
    else at += size;
    return ok;
  }
  // A little-endian value of 2 or 4 bytes.
  std::uint32_t Read(std::size_t size) {
    const std::size_t from = at;
    if (size > 4 || !Skip(size)) return 0;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < size; ++i) v |= static_cast<std::uint32_t>(bytes[from + i]) << (8 * i);
    return v;
  }
  // A zero-terminated UTF-16 text.
  void SkipText() {
    while (ok && Read(2) != 0) {
    }
  }
  // A menu or class field: none (0), an ordinal (0xFFFF and a number) or a text.
  void SkipNameOrOrdinal() {
    const std::uint32_t first = Read(2);
    if (first == 0xFFFF) Read(2);
    else if (first != 0) SkipText();
  }
};

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

}  // namespace

std::optional<Bytes> SetDialogFont(std::span<const std::uint8_t> dialog, std::u16string_view face, int points) {
  Cursor c{dialog};
  if (c.Read(2) != 1 || c.Read(2) != 0xFFFF) return std::nullopt;  // version 1, extended
  c.Skip(4 + 4);  // help id, extended style
  const std::uint32_t style = c.Read(4);
  c.Skip(2 + 4 * 2);  // item count, x, y, cx, cy
  c.SkipNameOrOrdinal();  // menu
  c.SkipNameOrOrdinal();  // class
  c.SkipText();           // caption
  if (!c.ok || !(style & kSetFont)) return std::nullopt;
  const std::size_t size_at = c.at;
  c.Skip(2);  // point size
  const std::size_t weight_at = c.at;
  c.Skip(2 + 1 + 1);  // weight, italic, character set
  const std::size_t face_at = c.at;
  c.SkipText();
  if (!c.ok) return std::nullopt;
  const std::size_t face_end = c.at;
  const std::size_t items_at = (face_end + 3) & ~std::size_t{3};
  if (items_at > dialog.size()) return std::nullopt;

  Bytes out(dialog.begin(), dialog.begin() + size_at);
  Put16(out, static_cast<std::uint32_t>(points < 1 ? 1 : points > 0x7FFF ? 0x7FFF : points));
  out.insert(out.end(), dialog.begin() + weight_at, dialog.begin() + face_at);
  if (face.empty()) {
    out.insert(out.end(), dialog.begin() + face_at, dialog.begin() + face_end);
  } else {
    for (char16_t ch : face.substr(0, 31)) Put16(out, ch ? ch : u' ');
    Put16(out, 0);
  }
  while (out.size() % 4) out.push_back(0);
  out.insert(out.end(), dialog.begin() + items_at, dialog.end());
  return out;
}

}  // namespace mv
