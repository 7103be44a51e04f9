// Line ends, byte order marks and UTF-16 of the files users give, read and written back.
#include "common/text_file.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "common/errors.hpp"
#include "common/free_reader.hpp"

namespace loopcut {
namespace {

std::vector<std::string> lines_of(const std::string& bytes, LineEnd* end = nullptr) {
  const TextFile f = split_text(bytes, "f");
  if (end) *end = f.form.line_end;
  return f.lines;
}

using Lines = std::vector<std::string>;

TEST(TextFile, EveryKindOfLineEndSplitsTheSameLines) {
  const Lines want{"1 1 0 0 1", "", "1 2 0 0 2"};
  LineEnd end;
  EXPECT_EQ(lines_of("1 1 0 0 1\n\n1 2 0 0 2\n", &end), want);
  EXPECT_EQ(end, LineEnd::lf);
  EXPECT_EQ(lines_of("1 1 0 0 1\r\n\r\n1 2 0 0 2\r\n", &end), want);
  EXPECT_EQ(end, LineEnd::crlf);
  EXPECT_EQ(lines_of("1 1 0 0 1\r\r1 2 0 0 2\r", &end), want);
  EXPECT_EQ(end, LineEnd::cr);
  EXPECT_EQ(lines_of("1 1 0 0 1\n\r\n\r1 2 0 0 2\n\r", &end), want);
  EXPECT_EQ(end, LineEnd::lfcr);
  // Without an end after the last line, and without any line end at all.
  EXPECT_EQ(lines_of("1 1 0 0 1\r\n\r\n1 2 0 0 2"), want);
  EXPECT_EQ(lines_of("1 1 0 0 1\r\r1 2 0 0 2"), want);
  EXPECT_EQ(lines_of("abc", &end), Lines{"abc"});
  EXPECT_EQ(end, LineEnd::lf);
  EXPECT_EQ(lines_of(""), Lines{});
}

TEST(TextFile, AStrayLineEndOfAnotherKindStillEndsALine) {
  // A CR LF file with one LF-only line, and a LF file with one CR inside a line.
  EXPECT_EQ(lines_of("a\r\nb\nc\r\n"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(lines_of("a\nb\rc\n"), (Lines{"a", "b", "c"}));
}

TEST(TextFile, ByteOrderMarksAreNoPartOfTheFirstLine) {
  TextFile f = split_text("\xEF\xBB\xBF" "1 1 0 0 1\n", "f");
  EXPECT_EQ(f.lines, Lines{"1 1 0 0 1"});
  EXPECT_TRUE(f.form.bom);
  EXPECT_EQ(f.form.encoding, Encoding::bytes);
  EXPECT_EQ(encode_bom(f.form) + encode_line(f.lines[0], f.form), "\xEF\xBB\xBF" "1 1 0 0 1\n");
}

TEST(TextFile, Utf16InEitherByteOrderIsReadAsUtf8AndWrittenBackTheSame) {
  // A name with accented letters and a character outside the basic plane.
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  const std::u16string units = u"0 HEAD\r\n1 NAME J\u00e9r\u00f4me \U0001F600\r\n";
  for (char16_t u : units) {
    le += static_cast<char>(u & 0xFF);
    le += static_cast<char>(u >> 8);
    be += static_cast<char>(u >> 8);
    be += static_cast<char>(u & 0xFF);
  }
  for (const std::string& bytes : {le, be}) {
    const TextFile f = split_text(bytes, "f");
    EXPECT_EQ(f.lines, (Lines{"0 HEAD", "1 NAME J\xC3\xA9r\xC3\xB4me \xF0\x9F\x98\x80"}));
    EXPECT_EQ(f.form.line_end, LineEnd::crlf);
    EXPECT_EQ(f.form.encoding, bytes[0] == '\xFF' ? Encoding::utf16le : Encoding::utf16be);
    std::string back = encode_bom(f.form);
    for (const std::string& line : f.lines) back += encode_line(line, f.form);
    EXPECT_EQ(back, bytes);
  }
}

TEST(TextFile, BrokenUtf16IsRefusedWithTheFileNamed) {
  auto error = [](const std::string& bytes) {
    try {
      split_text(bytes, "in.ged");
    } catch (const InputError& e) {
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(error(std::string("\xFF\xFE" "0\0 ", 5)),
            "in.ged: UTF-16 file with an odd number of bytes: the file is cut short");
  EXPECT_EQ(error(std::string("\xFF\xFE" "0\0\x00\xD8", 6)),
            "in.ged: UTF-16 file with an unpaired surrogate at byte 4");
}

TEST(FreeReader, ControlAndNonAsciiBytesAreShownAsHexInMessages) {
  std::istringstream in(std::string("\x01\xC3\xA9\0x 2\n", 7));
  FreeReader r(in, "f");
  try {
    r.read_int("a");
    FAIL() << "no error";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(),
                 "f:1: expected an integer (a), found \"\\x01\\xC3\\xA9\\x00x\" in "
                 "\"\\x01\\xC3\\xA9\\x00x 2\"");
  }
}

TEST(FreeReader, AByteOrderMarkIsNoPartOfTheFirstItem) {
  std::istringstream in("\xEF\xBB\xBF" "12 3\n");
  FreeReader r(in, "f");
  EXPECT_EQ(r.read_int("a"), 12);
}

TEST(FreeReader, CarriageReturnsAloneEndLinesAsLineFeedsDo) {
  for (const char* text : {"3 4 rest\n5\n", "3 4 rest\r5\r", "3 4 rest\r\n5\r\n", "3 4 rest\n\r5\n\r"}) {
    std::istringstream in(text);
    FreeReader r(in, "f");
    EXPECT_EQ(r.read_int("a"), 3);
    r.end_read();
    EXPECT_EQ(r.read_int("b"), 5);
    EXPECT_EQ(r.line_number(), 2) << text;
    r.end_read();
    int v = 0;
    EXPECT_FALSE(r.try_int(v, "c"));
  }
}

}  // namespace
}  // namespace loopcut
