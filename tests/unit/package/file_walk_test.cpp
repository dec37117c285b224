#include "package/file_walk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "package/corrupt.h"

namespace mv {
namespace {

FileRecord Record(std::string name, std::uint32_t size, std::uint32_t kind = 0) {
  FileRecord r;
  r.name = std::move(name);
  r.data_size = size;
  r.destination_kind = kind;
  return r;
}

Bytes Stream(const std::vector<FileRecord>& records) {
  Bytes out;
  for (const FileRecord& r : records) {
    const Bytes head = SerializeFileRecordHead(r);
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), r.data_size, static_cast<std::uint8_t>('a' + out.size() % 26));
  }
  return out;
}

FileRecordWalker Walker(const Bytes& stream, std::vector<std::int32_t> table) {
  return FileRecordWalker(
      [&stream](std::uint64_t offset, std::span<std::uint8_t> out) {
        if (offset > stream.size() || out.size() > stream.size() - offset) return false;
        std::memcpy(out.data(), stream.data() + offset, out.size());
        return true;
      },
      stream.size(), std::move(table));
}

int CodeOf(const Bytes& stream, std::vector<std::int32_t> table) {
  try {
    FileRecordWalker w = Walker(stream, std::move(table));
    while (w.Next()) {
    }
    return 0;
  } catch (const CorruptPackage& e) {
    return e.code();
  }
}

TEST(FileWalk, WalksEveryRecordWithItsDataOffset) {
  FileRecord long_head = Record("deep\\name.txt", 3);
  long_head.arguments = std::u16string(9000, u'x');  // a head wider than the first read window
  const Bytes stream = Stream({Record("a.txt", 5), long_head, Record("empty", 0), Record("b.bin", 70000)});
  FileRecordWalker w = Walker(stream, {5, 3, 0, 70000});
  std::vector<std::string> names;
  std::uint64_t end = 0;
  while (auto r = w.Next()) {
    names.push_back(r->record.name);
    EXPECT_EQ(r->data_offset, end + SerializeFileRecordHead(r->record).size());
    end = r->data_offset + r->record.data_size;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "deep\\name.txt", "empty", "b.bin"}));
  EXPECT_EQ(w.position(), stream.size());
}

TEST(FileWalk, DamagedRecordsEarnTheirCodes) {
  const Bytes sound = Stream({Record("a.txt", 5), Record("b.txt", 2)});
  Bytes bad_magic = sound;
  bad_magic[0] ^= 1;
  FileRecord invalid_kind = Record("k", 1, 2);
  FileRecord kind13_with_destination = Record("k", 1, 13);
  kind13_with_destination.destination = u"sub\\";
  FileRecord kind3_in_uninstall_folder = Record("k", 1, 3);
  kind3_in_uninstall_folder.flags = 0x40;
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<std::int32_t> table;
    int code;
  } cases[] = {
      {"sound", sound, {5, 2}, 0},
      {"bad magic", bad_magic, {5, 2}, 101},
      {"stream ends before the last record", Bytes(sound.begin(), sound.end() - 20), {5, 2}, 101},
      {"file bytes past the end", Bytes(sound.begin(), sound.end() - 1), {5, 2}, 101},
      {"more records in the table than in the stream", sound, {5, 2, 1}, 101},
      {"empty name", Stream({Record("", 1)}), {1}, 70},
      {"negative table entry", sound, {-1, 2}, 71},
      {"table entry at the limit", sound, {0x73333333, 2}, 72},
      {"size differs from the table", sound, {5, 3}, 73},
      {"kind 2", Stream({invalid_kind}), {1}, 110},
      {"kind 13 with a destination", Stream({kind13_with_destination}), {1}, 0},
      {"kind 3 in the uninstall folder", Stream({kind3_in_uninstall_folder}), {1}, 0},
      {"no records", {}, {}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(CodeOf(c.stream, c.table), c.code) << c.name;
}

}  // namespace
}  // namespace mv
