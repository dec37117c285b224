// The order of a project's files in the package: grouped by the installed name's extension, with
// the author's order kept where it can matter.
#include <gtest/gtest.h>

#include "file_order.h"

namespace mvpack {
namespace {

struct File {
  const char* name;
  std::uint32_t kind = 0;
  const char16_t* destination = u"";
};

std::vector<ProjectFile> Files(std::initializer_list<File> list) {
  std::vector<ProjectFile> files;
  for (const File& f : list) {
    ProjectFile p;
    p.record.name = f.name;
    p.record.destination_kind = f.kind;
    p.record.destination = f.destination;
    files.push_back(p);
  }
  return files;
}

TEST(MvpackFileOrder, GroupsByInstalledExtensionAndKeepsTheAuthorsOrderWhereItMatters) {
  struct Case {
    const char* what;
    std::vector<ProjectFile> files;
    std::vector<std::size_t> expected;
  };
  const std::vector<Case> cases = {
      {"empty", Files({}), {}},
      {"by extension, stable within a group",
       Files({{"a.txt"}, {"b.bin"}, {"c.txt"}, {"d.bin"}, {"e"}}), {4, 1, 3, 0, 2}},
      {"case and folders do not split a group", Files({{"x\\A.TXT"}, {"b.dll"}, {"y\\c.Txt"}}), {1, 0, 2}},
      {"a new name decides the extension, a destination folder does not",
       Files({{"a.txt", 0, u"a.dll"}, {"b.txt", 0, u"sub\\dir"}, {"c.dll"}}), {0, 2, 1}},
      {"the same place twice keeps its order (new name and name)",
       Files({{"z.dll", 0, u"lib.DLL"}, {"a.txt"}, {"sub\\lib.dll"}}), {0, 2, 1}},
      {"files used once written stay in place and nothing passes them",
       Files({{"a.txt"}, {"b.cab"}, {"setup.msi", 11}, {"c.txt"}, {"d.cab"}}), {1, 0, 2, 4, 3}},
      {"every acting kind is a barrier",
       Files({{"b.z"}, {"f.ttf", 4}, {"b.y"}, {"c.dll", 7}, {"b.x"}, {"t.tlb", 8}, {"b.w"}, {"d.inf", 10},
              {"b.v"}, {"a.cpl", 12}, {"b.u"}}),
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"a variable in the name or new name is a barrier",
       Files({{"b.txt"}, {"%App%.exe"}, {"a.bin"}, {"c.txt", 0, u"%Name%"}, {"z.txt"}, {"a.bin"}}),
       {0, 1, 2, 3, 5, 4}},
      {"extensions beyond ASCII form one group",
       Files({{"|x.d\xc3\xa4t"}, {"a.txt"}, {"y.txt", 0, u"y.D\u00c4T"}}), {1, 0, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(GroupedFileOrder(c.files), c.expected) << c.what;
}

}  // namespace
}  // namespace mvpack
