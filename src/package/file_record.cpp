#include "package/file_record.h"

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

}  // namespace mv
