#include "package/file_record.h"

#include "package/corrupt.h"
#include "package/reader.h"
#include "package/writer.h"

namespace mv {

Bytes SerializeFileRecordHead(const FileRecord& r) {
  PackageWriter w;
  w.U32(kFileRecordMagic);
  w.U32(r.destination_kind);
  w.U32(r.flags);
  w.U32(r.attributes);
  w.U32(r.data_size);
  for (std::int32_t v : r.date) w.I32(v);
  w.U32(r.installer_ui_level);
  w.StrA(r.name);
  w.StrA(r.version);
  w.StrW(r.destination);
  w.StrW(r.icon);
  w.StrW(r.arguments);
  w.StrW(r.working_folder);
  return w.Take();
}

ParsedFileRecord ParseFileRecordHead(std::span<const std::uint8_t> bytes) {
  PackageReader r(bytes);
  ParsedFileRecord out;
  FileRecord& f = out.record;
  std::uint32_t magic = 0;
  bool ok = r.U32(magic) && magic == kFileRecordMagic && r.U32(f.destination_kind) && r.U32(f.flags) &&
            r.U32(f.attributes) && r.U32(f.data_size);
  for (std::int32_t& v : f.date) ok = ok && r.I32(v);
  ok = ok && r.U32(f.installer_ui_level) && r.StrA(f.name) && r.StrA(f.version) && r.StrW(f.destination) &&
       r.StrW(f.icon) && r.StrW(f.arguments) && r.StrW(f.working_folder);
  if (!ok) throw CorruptPackage(101, "file record head");
  if (f.name.empty()) throw CorruptPackage(70, "file record without a name");
  out.head_length = r.position();
  return out;
}

}  // namespace mv
