#include "common/free_reader.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "common/errors.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"

namespace loopcut {
namespace {

std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const InputError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(FreeReader, ItemsSpanLinesAndTheRestOfALineIsDiscarded) {
  std::istringstream in("1, 2\n\n   3 4 extra words\n5\n");
  FreeReader r(in, "f");
  EXPECT_EQ(r.read_int("a"), 1);
  EXPECT_EQ(r.read_int("b"), 2);
  EXPECT_EQ(r.read_int("c"), 3);  // blank line skipped, read goes on to the next line
  r.end_read();
  EXPECT_EQ(r.read_int("d"), 5);  // "4 extra words" discarded
  r.end_read();
  int v = 0;
  EXPECT_FALSE(r.try_int(v, "e"));
}

TEST(FreeReader, TextItemsEndAtSeparatorsUnlessQuotedAndArePaddedOrCut) {
  std::istringstream in("ab,cd 'x y' \"it\"\"s\" a/b 123456789012345678901234\n");
  FreeReader r(in, "f");
  EXPECT_EQ(r.read_text(4, ""), "ab  ");
  EXPECT_EQ(r.read_text(4, ""), "cd  ");
  EXPECT_EQ(r.read_text(5, ""), "x y  ");
  EXPECT_EQ(r.read_text(5, ""), "it\"s ");
  EXPECT_EQ(r.read_text(3, ""), "a  ");
  EXPECT_EQ(r.read_text(3, ""), "b  ");
  Label l = r.read_label("");
  EXPECT_EQ(std::string(label_view(l)), "12345678901234567890");
}

TEST(FreeReader, RealsAreCorrectlyRounded32BitValues) {
  std::istringstream in("0.1 1 2.5e-3 1.5D2 +7. .5\n");
  FreeReader r(in, "f");
  EXPECT_EQ(r.read_real(""), 0.1f);
  EXPECT_EQ(r.read_real(""), 1.0f);
  EXPECT_EQ(r.read_real(""), 2.5e-3f);
  EXPECT_EQ(r.read_real(""), 150.0f);
  EXPECT_EQ(r.read_real(""), 7.0f);
  EXPECT_EQ(r.read_real(""), 0.5f);
}

TEST(FreeReader, MalformedItemsAndEndOfFileAreInputErrorsNamingFileAndLine) {
  EXPECT_EQ(error_of([] {
              std::istringstream in("1 2\n3 x 5\n");
              FreeReader r(in, "peds.dat");
              r.read_int("a");
              r.end_read();
              r.read_int("a");
              r.read_int("father");
            }),
            "peds.dat:2: expected an integer (father), found \"x\" in \"3 x 5\"");
  EXPECT_EQ(error_of([] {
              std::istringstream in("1 1.5\n");
              FreeReader r(in, "w");
              r.read_int("id");
              r.end_read();
              r.read_real("weight");
            }),
            "w:1: expected a real number (weight), found end of file");
  EXPECT_EQ(error_of([] {
              std::istringstream in("99999999999 nan 1.5\n");
              FreeReader r(in, "x");
              r.read_int("n");
            }),
            "x:1: expected an integer (n), found \"99999999999\" in \"99999999999 nan 1.5\"");
  EXPECT_EQ(error_of([] {
              std::istringstream in("nan\n");
              FreeReader r(in, "x");
              r.read_real("w");
            }),
            "x:1: expected a real number (w), found \"nan\" in \"nan\"");
  EXPECT_EQ(error_of([] {
              std::istringstream in("1.5\n");
              FreeReader r(in, "x");
              r.read_int("n");
            }),
            "x:1: expected an integer (n), found \"1.5\" in \"1.5\"");
}

TEST(FreeWriter, LeadingBlankShortestRealsAlwaysReadAsReals) {
  EXPECT_EQ((FreeLine() << "STEP=" << 2 << " STAR=" << 3 << " COST=" << 5.0f).str(),
            " STEP= 2  STAR= 3  COST= 5.0");
  EXPECT_EQ(format_real(0.1f), "0.1");
  EXPECT_EQ(format_real(25.0f), "25.0");
  EXPECT_EQ(format_real(1e-5f), "1e-05");
  EXPECT_EQ(format_real(7.0710678f), "7.071068");
  for (float v : {0.1f, 1.0f / 3.0f, 123456.78f, 1e-30f, 3e38f, -2.5f}) {
    std::istringstream in(format_real(v));
    FreeReader r(in, "");
    EXPECT_EQ(r.read_real(""), v);
  }
}

TEST(FixedFormat, IntegersRightAlignedInSixColumnsAsterisksWhenTooWide) {
  EXPECT_EQ(report_line(12, make_label("C")), "    12   C                   ");
  EXPECT_EQ(report_line(1234567, make_label("C")).substr(0, 6), "******");
  EXPECT_EQ(pedigree_line(1, 2, 0, -99999, 1, 2, make_label("abc")),
            "     1     2     0-99999     1     2  abc                 ");
}

}  // namespace
}  // namespace loopcut
