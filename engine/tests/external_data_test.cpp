// The external data reader on tables written by hand: the forms of the title line, the
// SNP call codes, the refusals with their line numbers, and the limits.
#include "engine/jobs/external_data.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/jobs/decimal_text.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/expression_file_test_support.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

class ExternalDataTest : public ExpressionFileFixture {
 protected:
  bool ReadTable(const std::string& text) {
    TheGroup().Settings().EXTERNAL_DATA_FILE = WriteFile("table.txt", text);
    return ReadExternalData();
  }
  char CallOf(int array, int unit) const {
    return TheGroup().Array(array).calls[static_cast<std::size_t>(unit)];
  }
  float ValueOf(int array, int unit) const {
    return TheGroup().Array(array).values[static_cast<std::size_t>(unit)].value;
  }
  // The group as the fixture made it: a refused table must leave no arrays and the
  // layout of before.
  void ExpectNothingOpened() const {
    EXPECT_EQ(TheGroup().NumArrays(), 0);
    EXPECT_EQ(Layout.unitCount, kUnits);
    EXPECT_EQ(Layout.units[0].Name(), "ps_0");
  }
  CapturedLog mLog;
};

TEST_F(ExternalDataTest, ExpressionTableWithCallsErrorsAndMissingValues) {
  TheGroup().Settings().HAS_BOTH = 1;
  TheGroup().Settings().HAS_STD = 1;
  ASSERT_TRUE(
      ReadTable("Probe\tx1 \tcall\tse\tx2\tc\ts\r\n"
                "\" g1 \"\t10.5\tP\t0.5\t 7\tM\t\r\n"
                "abc\n"  // three characters: skipped
                "g2\t\tA\t1e-1\t-3\tA\t2\n"
                "a_probe_set_name_of_sixty_characters_is_cut_to_forty_nine____\t1\tP\t0\t2\tP\t0"));
  const Group& group = TheGroup();
  ASSERT_EQ(group.NumArrays(), 2);
  EXPECT_EQ(group.Array(0).name, "x1");
  EXPECT_EQ(group.Array(1).name, "x2");
  ASSERT_EQ(Layout.unitCount, 3);
  EXPECT_EQ(Layout.units[0].Name(), "g1");
  EXPECT_EQ(Layout.units[2].Name().size(), 49u);
  EXPECT_EQ(ValueOf(0, 0), 10.5f);
  EXPECT_EQ(ValueOf(1, 0), kMissingValueFloat);  // begins with a blank
  EXPECT_EQ(group.Array(1).values[0].stdErr, kMissingValueFloat);
  EXPECT_EQ(ValueOf(0, 1), kMissingValueFloat);
  EXPECT_EQ(group.Array(0).values[1].stdErr, 0.1f);
  EXPECT_EQ(ValueOf(1, 1), -3.0f);
  EXPECT_EQ(CallOf(1, 0), 'M');
  EXPECT_TRUE(group.Modelled && group.HasCalls && group.HasStdErrors);
  EXPECT_TRUE(mLog.Contains("    Found 5 lines", kLogBlack));
  EXPECT_TRUE(
      mLog.Contains("    Read data for 3 genes and 2 arrays; 2 missing values\n", kLogBlack));
  EXPECT_TRUE(mLog.Contains("Finished}\n", kLogBlue));
  // Medians of the values that are not missing, truncated: x1 has 10.5 and 1, x2 has -3, 2.
  EXPECT_EQ(group.Array(0).medianIntensity, 10);
  EXPECT_EQ(group.Array(1).medianIntensity, 2);
}

TEST_F(ExternalDataTest, BadLinesAreReportedWithTheirNumberAndOpenNothing) {
  struct Case {
    std::string table;
    bool hasBoth;
    std::string message;
    int line;
  };
  const Case cases[] = {
      {"p\ta\tb\ng1\t1\t2\ng2\t1\n", false,
       "    Error when reading expression value of gene 'g2', sample 'b'", 3},
      {"p\ta\tb\ng1\t1\t2\ng2\t1\tlots\n", false,
       "    Error when reading expression value of gene 'g2', sample 'b'", 3},
      {"p\ta\nx\t1\ng1\tP\n", false, kExternalAbsoluteCallMessage, 3},
      {"p\ta\nx1\t1\tP\nx2\t2\n", true, "    Error when reading absolute call of gene x2, array a",
       3},
      {"p\ta\ng1\t1\n" + std::string(kMaxExternalLineLength, 'x') + "\n", false,
       kExternalLineTooLongMessage, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    mLog.Clear();
    TheGroup().Settings().HAS_BOTH = c.hasBoth;
    EXPECT_FALSE(ReadTable(c.table));
    EXPECT_TRUE(mLog.ContainsRed(c.message));
    EXPECT_TRUE(mLog.ContainsRed("    Line " + std::to_string(c.line)));
    EXPECT_FALSE(mLog.Contains("Finished}", kLogBlue));
    ExpectNothingOpened();
  }
  mLog.Clear();
  TheGroup().Settings().EXTERNAL_DATA_FILE = mFolder.File("missing.txt");
  EXPECT_FALSE(ReadExternalData());
  EXPECT_TRUE(mLog.ContainsRed("  Reading data file '" + mFolder.File("missing.txt") + "' failed"));
  TheGroup().Settings().EXTERNAL_DATA_FILE = "";
  EXPECT_FALSE(ReadExternalData());
}

TEST_F(ExternalDataTest, AnUnknownCallBecomesAbsentWithOneWarning) {
  TheGroup().Settings().HAS_BOTH = 1;
  ASSERT_TRUE(ReadTable("p\ta\tc\ng1\t1\tX\ng2\t2\tZ\ng3\t3\tM\n"));
  EXPECT_EQ(CallOf(0, 0), 'A');
  EXPECT_EQ(CallOf(0, 1), 'A');
  EXPECT_EQ(CallOf(0, 2), 'M');
  int warnings = 0;
  for (const CapturedLine& line : mLog.Lines())
    warnings += line.text.find("Unrecognized call") != std::string::npos ? 1 : 0;
  EXPECT_EQ(warnings, 1);
  EXPECT_TRUE(mLog.ContainsRed("    Unrecognized call 'X' for gene g1, array a; treat as 'A'"));
  EXPECT_TRUE(mLog.ContainsRed("    Line 2"));
}

TEST_F(ExternalDataTest, SnpCallsOfTheThreeTableKinds) {
  ArrayType = 1;
  ASSERT_TRUE(ReadTable("SSLP\tm1\tm2\tm3\nr1\tH\tL\tN\nr2\tX\tH\tH\n"));
  const Group& group = TheGroup();
  ASSERT_EQ(group.NumArrays(), 6);
  EXPECT_EQ(group.Array(1).name, "m1_T");
  EXPECT_EQ(group.Array(5).name, "m3_T");
  const char sslp[2][6] = {{2, 2, 2, 0, 0, 0}, {3, 3, 2, 2, 2, 2}};
  for (int u = 0; u < 2; ++u)
    for (int a = 0; a < 6; ++a) EXPECT_EQ(CallOf(a, u), sslp[u][a]) << u << " " << a;
  EXPECT_TRUE(group.HasCalls);
  EXPECT_FALSE(group.Modelled);
  EXPECT_TRUE(mLog.Contains("    Read data for 2 SNP markers and 6 arrays\n", kLogBlack));

  // Alleles are fixed per line by the first letters met.
  ASSERT_TRUE(ReadTable("Mouse\ts1\ts2\ts3\nr1\tGT\tTT\tGG\nr2\tTT\tCC\t\nr3\tAN\tAA\tCC\n"));
  const char mouse[3][3] = {{2, 1, 0}, {0, 1, 3}, {3, 0, 1}};
  for (int u = 0; u < 3; ++u)
    for (int a = 0; a < 3; ++a) EXPECT_EQ(CallOf(a, u), mouse[u][a]) << u << " " << a;

  ASSERT_TRUE(ReadTable("snp\ts1\ts2\ts3\ts4\ts5\ts6\nr1\tAB\tA\tAA\tB\tH\tNoCall\n"));
  const char plain[6] = {2, 0, 0, 1, 2, 3};
  for (int a = 0; a < 6; ++a) EXPECT_EQ(CallOf(a, 0), plain[a]) << a;
}

TEST_F(ExternalDataTest, ColumnsBeyondTheArrayLimitAreLeftOut) {
  std::string titles = "p";
  std::string row = "g1";
  for (int a = 0; a < kMaxExternalArrays + 2; ++a) {
    titles += "\ta" + std::to_string(a);
    row += "\t" + std::to_string(a);
  }
  ASSERT_TRUE(ReadTable(titles + "\n" + row + "\n"));
  EXPECT_TRUE(mLog.ContainsRed("    Exceeds Zelko array number limit; only 999 columns are used"));
  EXPECT_EQ(TheGroup().NumArrays(), kMaxExternalArrays);
  EXPECT_EQ(ValueOf(kMaxExternalArrays - 1, 0), static_cast<float>(kMaxExternalArrays - 1));

  // A table exactly as wide as the limit is taken whole without a word.
  mLog.Clear();
  titles = "p";
  row = "g1";
  for (int a = 0; a < kMaxExternalArrays; ++a) {
    titles += "\ta" + std::to_string(a);
    row += "\t1";
  }
  ASSERT_TRUE(ReadTable(titles + "\n" + row + "\n"));
  EXPECT_FALSE(mLog.ContainsRed("Exceeds"));
  EXPECT_EQ(TheGroup().NumArrays(), kMaxExternalArrays);
}

// A table of several buffer fills, read on one thread and on many: the same probe sets and
// values, and a bad line far down reported with its own number.
TEST_F(ExternalDataTest, LongTablesReadAlikeOnAnyNumberOfThreads) {
  constexpr int kRows = 60000;
  std::string table = "probe set\ts1\ts2\ts3\n";
  for (int u = 0; u < kRows; ++u) {
    const std::string v = std::to_string(u);
    table += "p" + v + "\t" + v + ".5\t-" + v + "\t\t" + std::string(40, ' ') + "\n";
    if (u % 1000 == 7) table += "#\n";  // short lines in between are skipped
  }
  for (const int threads : {1, 0}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    mLog.Clear();
    const bool read = ReadTable(table);
    platform::LimitWorkerThreads(0);
    ASSERT_TRUE(read);
    ASSERT_EQ(Layout.unitCount, kRows);
    for (const int u : {0, 7, 8, 29999, kRows - 1}) {
      EXPECT_EQ(Layout.units[static_cast<std::size_t>(u)].Name(), "p" + std::to_string(u));
      EXPECT_EQ(ValueOf(0, u), static_cast<float>(u) + 0.5f);
      EXPECT_EQ(ValueOf(1, u), -static_cast<float>(u));
      EXPECT_EQ(ValueOf(2, u), kMissingValueFloat);
    }
    EXPECT_TRUE(mLog.Contains("    Read data for 60000 genes and 3 arrays; 60000 missing values\n",
                              kLogBlack));
  }
  // Line 1 holds the titles, and a short line follows rows 7, 1007, ... 54007.
  const std::size_t bad = table.find("\np54321\t") + 1;
  table.replace(bad + 7, 7, "x");
  EXPECT_FALSE(ReadTable(table));
  EXPECT_TRUE(
      mLog.ContainsRed("    Error when reading expression value of gene 'p54321', sample 's1'"));
  EXPECT_TRUE(mLog.ContainsRed("    Line " + std::to_string(2 + 54321 + 55)));
  EXPECT_EQ(TheGroup().NumArrays(), 0);
  EXPECT_EQ(Layout.unitCount, kRows);  // the layout of the table read before
}

TEST_F(ExternalDataTest, DamagedTablesAreRefusedInRedOrTakenWhole) {
  std::string table = "probe set\tgene\ts1\ts1 call\ts2\ts2 call\n";
  for (int u = 0; u < 40; ++u)
    table += "ps" + std::to_string(u) + "\tG\t" + std::to_string(u * 3 + 0.5) + "\tP\t" +
             std::to_string(u) + "\tA\n";
  TheGroup().Settings().HAS_BOTH = 1;
  TheGroup().Settings().HAS_GENE_NAME = 1;
  int taken = 0;
  const Bytes seed(table.begin(), table.end());
  for (const Bytes& variant : ByteVariants(seed, 150, 20261209, "\t\n\r P\" ")) {
    mLog.Clear();
    if (FuzzReadExternalData(variant.data(), variant.size())) {
      ++taken;
      const Group& group = TheGroup();
      for (int a = 0; a < group.NumArrays(); ++a) {
        EXPECT_EQ(group.Array(a).values.size(), static_cast<std::size_t>(Layout.unitCount));
        EXPECT_EQ(group.Array(a).calls.size(), static_cast<std::size_t>(Layout.unitCount));
      }
    } else {
      EXPECT_GT(mLog.CountInColour(kLogRed), 0);
      EXPECT_EQ(TheGroup().NumArrays(), 0);
    }
  }
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, 150);
}

// Each array's median as a sort finds it, through negative, zero and huge values, ties,
// missing values left out, even and odd counts, and an array with nothing left.
TEST_F(ExternalDataTest, MediansAreThoseOfASort) {
  std::uint32_t state = 4242;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  Group& group = TheGroup();
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const std::size_t size = 1 + next() % 3000;
    for (int a = 0; a < kArrays; ++a) {
      std::vector<VALUE_TRIPLE>& values = group.Array(a).values;
      values.assign(size, VALUE_TRIPLE{0.0f, 0.0f, 0});
      for (VALUE_TRIPLE& triple : values) {
        switch (next() % 8) {
          case 0:
            triple.value = kMissingValueFloat;
            break;
          case 1:
            triple.value = static_cast<float>(next() % 5) - 2.0f;  // ties, zero
            break;
          case 2:
            triple.value = -0.0f;
            break;
          case 3:
            triple.value = static_cast<float>(next()) * (next() % 2 == 0 ? 1e3f : -1e3f);
            break;
          default:
            triple.value = static_cast<float>(next() % 200000) / 7.0f - 9000.0f;
        }
      }
      if (a == 2 && round % 10 == 0)
        for (VALUE_TRIPLE& triple : values) triple.value = kMissingValueFloat;
    }
    ComputeValueMedians();
    for (int a = 0; a < kArrays; ++a) {
      std::vector<float> kept;
      for (const VALUE_TRIPLE& triple : group.Array(a).values)
        if (triple.value != kMissingValueFloat) kept.push_back(triple.value);
      std::sort(kept.begin(), kept.end());
      const int expected =
          kept.empty() ? static_cast<int>(MISSING_VALUE)
                       : static_cast<int>(std::clamp(kept[kept.size() / 2], -2.0e9f, 2.0e9f));
      EXPECT_EQ(group.Array(a).medianIntensity, expected) << a;
    }
  }
}

TEST(DecimalText, SixDigitsAsPrintfWritesThem) {
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  char expected[64];
  char text[kSixDigitsRoom];
  const double specials[] = {0.0,     -0.0,     1.0,      999999.5, 9999995.0, 0.0001,
                             1e-5,    99999.95, 123456.5, 1e15,     1e16,      -2.5e-7,
                             0.00125, 1e100,    -1e-300,  0.1,      100000.0,  999999.0};
  for (const double v : specials) {
    std::snprintf(expected, sizeof expected, "%.6g", v);
    EXPECT_EQ(std::string(text, FormatSixDigits(text, v)), expected);
  }
  for (int i = 0; i < 200000; ++i) {
    // Floats of every decade the tables meet, and the float nearest six-digit decimals.
    const int decade = static_cast<int>(next() % 24) - 8;
    const double v =
        static_cast<float>((static_cast<double>(next()) / 4294967296.0) * std::pow(10.0, decade));
    const double sign = next() % 2 == 0 ? 1.0 : -1.0;
    std::snprintf(expected, sizeof expected, "%.6g", sign * v);
    ASSERT_EQ(std::string(text, FormatSixDigits(text, sign * v)), expected) << sign * v;
    float back = 0.0f;
    ASSERT_TRUE(ParseFloatField(expected, back)) << expected;
    EXPECT_EQ(back, std::strtof(expected, nullptr)) << expected;
  }
}

// Doubles a hair either side of the halfway point of their sixth digit, in every decade the
// fast path knows and a little beyond.
TEST(DecimalText, SixDigitsRoundAtTheSixthDigitAsPrintfDoes) {
  std::uint32_t state = 777;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  char expected[64];
  char text[kSixDigitsRoom];
  for (int i = 0; i < 100000; ++i) {
    const double digits = 100000.0 + static_cast<double>(next() % 900000u);
    const double nudge = (static_cast<double>(next() % 2001u) - 1000.0) * 1e-9;
    const int decade = static_cast<int>(next() % 32) - 16;
    const double v = (digits + 0.5 + nudge) * std::pow(10.0, decade) * (next() % 2 == 0 ? 1 : -1);
    std::snprintf(expected, sizeof expected, "%.6g", v);
    ASSERT_EQ(std::string(text, FormatSixDigits(text, v)), expected) << v;
  }
  for (const double v : {9.999995, 9.9999949999, 0.000099999951, 0.00099999949, 999999.49999,
                         999999.50001, 1e-5 * 0.9999999, 9.99999e15, 9.999995e15, 1e16 * 0.99999995,
                         -0.000123456789, 123456789012.0, 5e-324, 1.7976931348623157e308}) {
    std::snprintf(expected, sizeof expected, "%.6g", v);
    EXPECT_EQ(std::string(text, FormatSixDigits(text, v)), expected) << v;
  }
}

// Decimal texts of every length around the exact fast reading's limits (seven digits, ten
// after the point, leading zeros, signs, a bare point at either end) read as the exact
// conversion reads them.
TEST(DecimalText, FieldsReadAsTheNearestFloat) {
  std::uint32_t state = 31337;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < 200000; ++i) {
    std::string text = next() % 4 == 0 ? "-" : "";
    const std::uint32_t zeros = next() % 5 == 0 ? next() % 4 : 0;
    text.append(zeros, '0');
    const std::uint32_t wholeDigits = next() % 10;
    for (std::uint32_t k = 0; k < wholeDigits; ++k)
      text.push_back(static_cast<char>('0' + next() % 10));
    const bool point = next() % 4 != 0;
    const std::uint32_t fractionDigits = point ? next() % 13 : 0;
    if (point) text.push_back('.');
    for (std::uint32_t k = 0; k < fractionDigits; ++k)
      text.push_back(static_cast<char>('0' + next() % 10));
    float expected = 0.0f;
    const char* const begin = text.data();
    const auto result = std::from_chars(begin, begin + text.size(), expected);
    const bool number = result.ec == std::errc() && result.ptr == begin + text.size();
    float read = 0.0f;
    ASSERT_EQ(ParseFloatField(text, read), number) << text;
    if (number) {
      ASSERT_EQ(read, expected) << text;
      ASSERT_EQ(std::signbit(read), std::signbit(expected)) << text;
    }
  }
}

TEST(DecimalText, FieldsThatAreNoNumber) {
  float v = 0.0f;
  for (const char* bad : {"", "-", ".", "abc", "1.5x", "1 2", "nan", "inf", "1e99", "--1", "+-1"})
    EXPECT_FALSE(ParseFloatField(bad, v)) << bad;
  ASSERT_TRUE(ParseFloatField("+2.5 ", v));
  EXPECT_EQ(v, 2.5f);
  ASSERT_TRUE(ParseFloatField("-12345678.9", v));
  EXPECT_EQ(v, -12345678.9f);
  ASSERT_TRUE(ParseFloatField("1.e2", v));
  EXPECT_EQ(v, 100.0f);
}

}  // namespace
