// SZDD expansion, cross-checked against files made by mscompress.
#include "platform/lzexpand.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>

#include "tests/common/testutil.h"

namespace {

std::string Header(uint32_t size, char last = 0) {
  std::string h = "SZDD\x88\xf0\x27\x33";
  h += 'A';
  h += last;
  for (int i = 0; i < 4; ++i) h += static_cast<char>((size >> (8 * i)) & 0xFF);
  return h;
}

// mscompress writes "<name>_" next to the file.
std::string Compress(const std::string& path, const std::string& bytes) {
  EXPECT_TRUE(pxtest::WriteFile(path, bytes));
  EXPECT_EQ(pxtest::Run({"/usr/bin/mscompress", path}), 0);
  return pxtest::ReadFile(path + "_");
}

std::string CopyThroughFd(const std::string& path, platform::LzResult* result,
                          uint64_t size = UINT64_MAX) {
  int in = open(path.c_str(), O_RDONLY);
  std::string outPath = path + ".out";
  int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  uint64_t written = 0;
  *result = platform::LzCopyToFd(in, out, &written, size);
  close(in);
  close(out);
  std::string bytes = pxtest::ReadFile(outPath);
  EXPECT_EQ(written, bytes.size());
  return bytes;
}

}  // namespace

TEST(LzExpand, HandMadeStreams) {
  std::string out;
  // empty, and one literal
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(0) + "\x01x", &out), platform::LzResult::kOk);
  EXPECT_EQ(out, "");
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(1) + "\x01x", &out), platform::LzResult::kOk);
  EXPECT_EQ(out, "x");
  // a reference into the untouched ring gives blanks; one that overlaps
  // what it writes repeats: "ab" then position 4080 (where "ab" went),
  // length 3+3, gives "ababab"
  std::string s = Header(8) +
                  std::string(
                      "\x03"
                      "ab",
                      3) +
                  "\xF0\xF3";
  EXPECT_EQ(platform::ExpandSzddBuffer(s, &out), platform::LzResult::kOk);
  EXPECT_EQ(out, "abababab");
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(3) + std::string("\x00\x00\x00", 3), &out),
            platform::LzResult::kOk);
  EXPECT_EQ(out, "   ");
  // flag bits least significant first: 0b10 = reference, then literal
  s = Header(4) + std::string("\x02\x00\x00z", 4);
  EXPECT_EQ(platform::ExpandSzddBuffer(s, &out), platform::LzResult::kOk);
  EXPECT_EQ(out, "   z");
  // data ending before the stated size, cut headers, wrong mode
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(5) + "\x01x", &out), platform::LzResult::kBadData);
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(5).substr(0, 13), &out),
            platform::LzResult::kBadData);
  std::string modeB = Header(1) + "\x01x";
  modeB[8] = 'B';
  EXPECT_EQ(platform::ExpandSzddBuffer(modeB, &out), platform::LzResult::kBadData);
  // a half reference at the end
  EXPECT_EQ(platform::ExpandSzddBuffer(Header(3) + std::string("\x00\x00", 2), &out),
            platform::LzResult::kBadData);
}

TEST(LzExpand, ExpandedNames) {
  platform::SzddHeader h;
  h.lastChar = 'e';
  EXPECT_EQ(platform::ExpandedName("C:\\SETUP\\PROG.EX_", h), "C:\\SETUP\\PROG.EXE");
  EXPECT_EQ(platform::ExpandedName("/a/B/prog.ex_", h), "/a/B/prog.exe");
  h.lastChar = 'E';
  EXPECT_EQ(platform::ExpandedName("prog.ex_", h), "prog.exe");
  EXPECT_EQ(platform::ExpandedName("prog.exe", h), "prog.exe");
  h.lastChar = 0;  // mscompress does not store it
  EXPECT_EQ(platform::ExpandedName("prog.exe_", h), "prog.exe_");
}

TEST(LzExpand, AgainstMscompress) {
  const std::string dir = pxtest::TestRoot() + "/";
  std::mt19937 rng(7);
  std::string random(1 << 20, '\0');
  for (char& c : random) c = static_cast<char>(rng());
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i)
    text += "line " + std::to_string(i % 977) + " of the text\n";
  text.resize(1 << 20);
  struct Case {
    std::string name, bytes;
  } cases[] = {{"k4text.txt", text.substr(0, 4096)},
               {"k4rand.bin", random.substr(0, 4096)},
               {"m1text.txt", text},
               {"m1rand.bin", random},
               {"b16.bin", random.substr(0, 16)},
               {"b4097.bin", random.substr(0, 4097)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string packed = Compress(dir + c.name, c.bytes);
    ASSERT_GE(packed.size(), platform::kSzddHeaderSize);
    auto h = platform::ParseSzddHeader(packed);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->expandedSize, c.bytes.size());
    std::string out;
    EXPECT_EQ(platform::ExpandSzddBuffer(packed, &out), platform::LzResult::kOk);
    EXPECT_TRUE(out == c.bytes);
    platform::LzResult r;
    EXPECT_TRUE(CopyThroughFd(dir + c.name + "_", &r) == c.bytes);
    EXPECT_EQ(r, platform::LzResult::kOk);
    if (c.name == "m1text.txt") {
      EXPECT_LT(packed.size(), c.bytes.size() / 2);
    }
  }
  // mscompress garbles files below 16 bytes; its output must still agree
  // with its own expander, msexpand (which ignores the stated size)
  std::string one = Compress(dir + "one.bin", "x");
  auto h = platform::ParseSzddHeader(one);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->expandedSize, 1u);
  std::string out;
  EXPECT_EQ(platform::ExpandSzddBuffer(one, &out), platform::LzResult::kOk);
  ASSERT_TRUE(pxtest::WriteFile(dir + "copy.bin_", one));
  ASSERT_EQ(pxtest::Run({"/usr/bin/msexpand", dir + "copy.bin_"}), 0);
  EXPECT_EQ(out, pxtest::ReadFile(dir + "copy.bin"));
  std::string zero = Compress(dir + "zero.bin", "");
  EXPECT_EQ(platform::ExpandSzddBuffer(zero, &out), platform::LzResult::kOk);
  EXPECT_EQ(out, "");

  // an uncompressed file, short and long, goes through unchanged
  for (std::string bytes : {std::string("abc"), random}) {
    ASSERT_TRUE(pxtest::WriteFile(dir + "plain", bytes));
    platform::LzResult r;
    EXPECT_TRUE(CopyThroughFd(dir + "plain", &r) == bytes);
    EXPECT_EQ(r, platform::LzResult::kOk);
  }
  // the expanded name of a file that is not compressed is its own
  EXPECT_EQ(platform::GetExpandedName(dir + "plain", "C:\\X\\PLAIN"), "C:\\X\\PLAIN");
  EXPECT_FALSE(platform::GetExpandedName(dir + "missing", "missing"));
}

// A caller that knows the size has a small file read in one go; the size may
// be stale by then, and the copy must still be the file as it is.
TEST(LzExpand, KnownSizeThatNoLongerHolds) {
  const std::string dir = pxtest::TestRoot() + "/";
  std::mt19937 rng(11);
  std::string bytes(5000, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  ASSERT_TRUE(pxtest::WriteFile(dir + "f", bytes));
  for (uint64_t size : {uint64_t{5000}, uint64_t{0}, uint64_t{4999}, uint64_t{100},
                        uint64_t{5001}, uint64_t{60000}}) {
    SCOPED_TRACE(size);
    platform::LzResult r;
    EXPECT_TRUE(CopyThroughFd(dir + "f", &r, size) == bytes);
    EXPECT_EQ(r, platform::LzResult::kOk);
  }
  // compressed: expanded from the one read, and a cut one still refused
  std::string packed = Header(3) + "\x07" + "abc";
  ASSERT_TRUE(pxtest::WriteFile(dir + "p_", packed));
  platform::LzResult r;
  EXPECT_EQ(CopyThroughFd(dir + "p_", &r, packed.size()), "abc");
  EXPECT_EQ(r, platform::LzResult::kOk);
  ASSERT_TRUE(pxtest::WriteFile(dir + "cut_", packed.substr(0, packed.size() - 1)));
  CopyThroughFd(dir + "cut_", &r, packed.size() - 1);
  EXPECT_EQ(r, platform::LzResult::kBadData);
  ASSERT_TRUE(pxtest::WriteFile(dir + "empty", ""));
  EXPECT_EQ(CopyThroughFd(dir + "empty", &r, 0), "");
  EXPECT_EQ(r, platform::LzResult::kOk);
}
