#include "package/reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "package/writer.h"

#ifndef _WIN32
// Records the largest single allocation while a test watches, so that a test can show that a
// declared length alone never makes the reader allocate. Every non-aligned form is replaced so
// that allocation and release always meet in malloc and free.
namespace {
thread_local bool g_watch_allocations = false;
thread_local std::size_t g_largest_allocation = 0;

void* Allocate(std::size_t n) {
  if (g_watch_allocations && n > g_largest_allocation) g_largest_allocation = n;
  return std::malloc(n ? n : 1);
}
// Kept out of line so that the compiler does not pair an inlined free() with operator new.
[[gnu::noinline]] void Release(void* p) noexcept { std::free(p); }
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
#endif

namespace mv {
namespace {

Bytes Prefix(const Bytes& written, std::size_t n) { return Bytes(written.begin(), written.begin() + n); }

TEST(ReaderWriter, StrUsesTheShortestValidPrefixAndReadsBack) {
  struct Case {
    std::size_t length;
    Bytes prefix;
  } cases[] = {
      {0, {0}},
      {254, {254}},
      {255, {255, 255, 255, 0, 0, 0}},  // low byte 255 cannot use the 16-bit form
      {256, {255, 0, 1}},
      {511, {255, 255, 0xFF, 1, 0, 0}},
      {0x1234, {255, 0x34, 0x12}},
      {0xFFFF, {255, 255, 0xFF, 0xFF, 0, 0}},
      {0x10000, {255, 255, 0, 0, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    Bytes text(c.length);
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<std::uint8_t>(i * 7);
    PackageWriter w;
    w.Str(text);
    ASSERT_EQ(w.bytes().size(), c.prefix.size() + c.length);
    EXPECT_EQ(Prefix(w.bytes(), c.prefix.size()), c.prefix);

    PackageReader r(w.bytes());
    Bytes back;
    ASSERT_TRUE(r.Str(back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(r.remaining(), 0u);
  }
}

TEST(Reader, AcceptsEveryPrefixFormAndTreatsNonPositiveLongLengthsAsEmpty) {
  struct Case {
    Bytes stream;
    std::string text;
    std::size_t consumed;
  } cases[] = {
      {{2, 'a', 'b', 'z'}, "ab", 3},
      {{255, 2, 0, 'a', 'b', 'z'}, "ab", 5},             // 16-bit form for a short text
      {{255, 255, 2, 0, 0, 0, 'a', 'b', 'z'}, "ab", 8},  // 32-bit form
      {{255, 255, 0, 0, 0, 0, 'z'}, "", 6},              // zero
      {{255, 255, 0xFF, 0xFF, 0xFF, 0xFF, 'z'}, "", 6},  // negative
      {{255, 255, 0, 0, 0, 0x80, 'z'}, "", 6},           // most negative
  };
  for (const auto& c : cases) {
    PackageReader r(c.stream);
    std::string out = "unchanged";
    ASSERT_TRUE(r.StrA(out));
    EXPECT_EQ(out, c.text);
    EXPECT_EQ(r.position(), c.consumed);
  }
}

// A read that must fail on its stream and leave a field holding `initial` as it was.
template <class T>
std::function<bool(PackageReader&)> FailsKeeping(bool (PackageReader::*read)(T&), T initial) {
  return [=](PackageReader& r) {
    T v = initial;
    return !(r.*read)(v) && v == initial;
  };
}

TEST(Reader, UnsatisfiableReadsLeaveTheFieldAndFailEveryLaterRead) {
  // Each read is tried on a stream too short for it (or with a length over the limit).
  using R = PackageReader;
  using Block4 = std::array<std::uint8_t, 4>;
  struct Case {
    const char* name;
    Bytes stream;
    std::function<bool(PackageReader&)> read;
  } cases[] = {
      {"u16", {1}, FailsKeeping(&R::U16, std::uint16_t{7})},
      {"u32", {1, 2, 3}, FailsKeeping(&R::U32, std::uint32_t{7})},
      {"i32", {1, 2, 3}, FailsKeeping(&R::I32, std::int32_t{7})},
      {"u64", {1, 2, 3, 4, 5, 6, 7}, FailsKeeping(&R::U64, std::uint64_t{7})},
      {"f64", {1, 2, 3, 4, 5, 6, 7}, FailsKeeping(&R::F64, 7.0)},
      {"str body", {5, 'a', 'b'}, FailsKeeping(&R::StrA, std::string("x"))},
      {"str prefix", {255, 255, 1}, FailsKeeping(&R::Str, Bytes{9})},
      {"str over limit",
       {255, 255, 0x01, 0x00, 0x00, 0x40, 'a', 'b'},
       FailsKeeping(&R::StrW, std::u16string(u"x"))},
      {"blob8", {3, 1, 2}, FailsKeeping(&R::Blob8, Bytes{9})},
      {"blob16", {3, 0, 1, 2}, FailsKeeping(&R::Blob16, Bytes{9})},
      {"blob32", {3, 0, 0, 0, 1}, FailsKeeping(&R::Blob32, Bytes{9})},
      {"blob16 w", {4, 0, 'a', 0}, FailsKeeping(&R::Blob16W, std::u16string(u"x"))},
      {"str8z", {'a', 'b'}, FailsKeeping(&R::Str8z, std::string("x"))},
      {"str16z", {'a', 0, 0}, FailsKeeping(&R::Str16z, std::u16string(u"x"))},
      {"block", {1, 2, 3}, FailsKeeping<Block4>(&R::Read, Block4{9, 9, 9, 9})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Two spare bytes follow the short stream in memory: a reader that looks past its span reads them.
    Bytes storage = c.stream;
    storage.insert(storage.end(), {0, 0});
    PackageReader r(std::span<const std::uint8_t>(storage).first(c.stream.size()));
    EXPECT_TRUE(c.read(r));
    EXPECT_TRUE(r.failed());
    EXPECT_LE(r.position(), c.stream.size());
    std::uint8_t next = 5;
    EXPECT_FALSE(r.U8(next));  // even where bytes were left over
    EXPECT_EQ(next, 5);
  }
}

TEST(Reader, DeclaredLengthsAreNotAllocatedBeforeTheBytesAreThere) {
  const Bytes huge_str = {255, 255, 0x00, 0x00, 0x00, 0x40, 'a'};  // 0x40000000, the largest allowed
  const Bytes huge_blob = {0xFF, 0xFF, 0xFF, 0x7F, 'a'};
#ifndef _WIN32
  g_largest_allocation = 0;
  g_watch_allocations = true;
#endif
  Bytes str_out, blob_out, block_out;
  PackageReader r1(huge_str), r2(huge_blob), r3(huge_blob);
  const bool str_ok = r1.Str(str_out);
  const bool blob_ok = r2.Blob32(blob_out);
  const bool block_ok = r3.Block(std::size_t{1} << 30, block_out);
#ifndef _WIN32
  g_watch_allocations = false;
  EXPECT_LT(g_largest_allocation, 4096u);
#endif
  EXPECT_FALSE(str_ok);
  EXPECT_FALSE(blob_ok);
  EXPECT_FALSE(block_ok);
  EXPECT_TRUE(str_out.empty() && blob_out.empty() && block_out.empty());
}

TEST(Reader, ZeroTerminatedTextsConsumeTheirTerminator) {
  const Bytes stream = {'v', '1', 0, 'A', 0, 0xAC, 0x20, 0, 0, 'z'};
  PackageReader r(stream);
  std::string narrow;
  std::u16string wide;
  ASSERT_TRUE(r.Str8z(narrow));
  ASSERT_TRUE(r.Str16z(wide));
  EXPECT_EQ(narrow, "v1");
  EXPECT_EQ(wide, u"A\u20ac");
  std::uint8_t last = 0;
  ASSERT_TRUE(r.U8(last));
  EXPECT_EQ(last, 'z');

  // A zero unit must start at an even offset: "a\0" + "\0b" holds no terminator.
  const Bytes misaligned = {'a', 0, 'b', 0, 0, 'c'};
  PackageReader m(misaligned);
  std::u16string text;
  EXPECT_FALSE(m.Str16z(text));
}

TEST(ReaderWriter, FixedWidthValuesAreLittleEndian) {
  PackageWriter w;
  w.U16(0x1234);
  w.U32(0x89ABCDEF);
  w.I32(-2);
  w.U64(0x0102030405060708ULL);
  w.F64(1.0);
  w.Blob32(Bytes{0xAA});
  w.Blob8W(u"\u0102");
  const Bytes expected = {0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF, 8, 7,
                          6,    5,    4,    3,    2,    1,    0,    0,    0,    0,    0, 0,
                          0xF0, 0x3F, 1,    0,    0,    0,    0xAA, 2,    0x02, 0x01};
  ASSERT_EQ(w.bytes(), expected);

  PackageReader r(w.bytes());
  std::uint16_t a = 0;
  std::uint32_t b = 0;
  std::int32_t c = 0;
  std::uint64_t d = 0;
  double e = 0;
  Bytes f;
  std::u16string g;
  ASSERT_TRUE(r.U16(a) && r.U32(b) && r.I32(c) && r.U64(d) && r.F64(e) && r.Blob32(f) && r.Blob8W(g));
  EXPECT_EQ(a, 0x1234);
  EXPECT_EQ(b, 0x89ABCDEFu);
  EXPECT_EQ(c, -2);
  EXPECT_EQ(d, 0x0102030405060708ULL);
  EXPECT_EQ(e, 1.0);
  EXPECT_EQ(f, Bytes{0xAA});
  EXPECT_EQ(g, u"\u0102");
  EXPECT_EQ(r.remaining(), 0u);
}

TEST(Writer, RefusesValuesTheFormatCannotHold) {
  PackageWriter w;
  EXPECT_THROW(w.Blob8(Bytes(256)), std::length_error);
  EXPECT_THROW(w.Blob8W(std::u16string(128, u'x')), std::length_error);
  EXPECT_THROW(w.Blob16(Bytes(0x10000)), std::length_error);
  EXPECT_THROW(w.Str8z(std::string("a\0b", 3)), std::invalid_argument);
  EXPECT_THROW(w.Str16z(std::u16string(u"a\0b", 3)), std::invalid_argument);
  EXPECT_TRUE(w.bytes().empty());
  w.Blob8(Bytes(255));  // the largest that fits
  EXPECT_EQ(w.bytes().size(), 256u);
}

}  // namespace
}  // namespace mv
