// Formatted output checked against the reference vectors (every case of
// format_cases and record_cases), the worked examples of the rounding and
// G-switch rules, and the format-control behaviour of records.
#include "fortran_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "vectors.h"

namespace {

using testsupport::cell_text;
using testsupport::Json;
using textio::FmtArg;
using textio::fortran_format;

// Holds the items of one case; string items point into `texts`.
struct Items {
  std::vector<std::string> texts;
  std::vector<FmtArg> args;
};

double real64_from_hex(const std::string& hex) {
  return std::bit_cast<double>(
      static_cast<uint64_t>(std::stoull(hex, nullptr, 16)));
}
float real32_from_hex(const std::string& hex) {
  return std::bit_cast<float>(
      static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
}

// One failing case, shown with the bars that make blanks visible.
std::string mismatch(const std::string& id,
                     const std::string& expected,
                     const std::string& actual) {
  return id + "\n    expected |" + expected + "|\n    actual   |" + actual +
         "|\n";
}

TEST(FortranFormatVectors, EveryFormatCaseMatches) {
  auto t = testsupport::read_table(
      testsupport::data_path("fortran-vectors/format_cases_visible.tsv"));
  const size_t id = t.column("id"), desc = t.column("descriptor"),
               kind = t.column("kind"), value = t.column("value_hex_or_text"),
               expected = t.column("expected");
  ASSERT_GT(t.rows.size(), 2000u);
  std::string failures;
  size_t failed = 0;
  for (const auto& row : t.rows) {
    const std::string format = "(" + row[desc] + ")";
    const std::string& k = row[kind];
    std::string text;
    FmtArg arg;
    if (k == "real64") {
      arg = real64_from_hex(row[value]);
    } else if (k == "real32") {
      arg = real32_from_hex(row[value]);
    } else if (k == "int32") {
      arg = static_cast<int32_t>(std::stoul(row[value], nullptr, 16));
    } else {
      ASSERT_EQ(k, "char") << row[id];
      text = cell_text(row[value]);
      arg = std::string_view(text);
    }
    std::string actual = fortran_format(format, {arg});
    std::string want = cell_text(row[expected]);
    if (actual != want) {
      ++failed;
      failures += mismatch(row[id], want, actual);
    }
  }
  EXPECT_EQ(failed, 0u) << failures;
}

// Builds the items of a record case from its JSON argument list.
Items items_from_json(const Json& list) {
  Items items;
  items.texts.reserve(list.items.size());
  for (const Json& a : list.items) {
    if (a.kind == Json::Kind::kString) {
      items.texts.push_back(a.text);
      items.args.emplace_back(std::string_view(items.texts.back()));
    } else if (a.kind == Json::Kind::kNumber) {
      items.args.emplace_back(static_cast<int32_t>(std::stol(a.text)));
    } else if (const Json* r = a.find("real64")) {
      items.args.emplace_back(real64_from_hex(r->text));
    } else if (const Json* r = a.find("real32")) {
      items.args.emplace_back(real32_from_hex(r->text));
    } else {
      throw std::runtime_error("unknown argument kind");
    }
  }
  return items;
}

TEST(FortranFormatVectors, EveryRecordCaseMatches) {
  auto t = testsupport::read_table(
      testsupport::data_path("fortran-vectors/record_cases_visible.tsv"));
  const size_t id = t.column("id"), format = t.column("format"),
               json = t.column("arguments_json"),
               expected = t.column("expected");
  ASSERT_GT(t.rows.size(), 30u);
  std::string failures;
  size_t failed = 0;
  for (const auto& row : t.rows) {
    Items items = items_from_json(testsupport::parse_json(row[json]));
    std::string actual = fortran_format(row[format], items.args);
    std::string want = cell_text(row[expected]);
    if (actual != want) {
      ++failed;
      failures += mismatch(row[id], want, actual);
    }
  }
  EXPECT_EQ(failed, 0u) << failures;
}

// Rounding is to nearest, ties to even, on the exact binary value.
TEST(FortranFormatRules, RoundsTheExactValueTiesToEven) {
  EXPECT_EQ(fortran_format("(F15.3)", {0.0625}), "          0.062");
  EXPECT_EQ(fortran_format("(G12.3)", {1.125}), "    1.12    ");
  EXPECT_EQ(fortran_format("(G12.3)", {1.375}), "    1.38    ");
  EXPECT_EQ(fortran_format("(G12.4)", {9998.5}), "   9998.    ");
  EXPECT_EQ(fortran_format("(G12.3)", {999.5}), "   0.100E+04");
  EXPECT_EQ(fortran_format("(G12.3)", {1.125e19}), "   0.112E+20");
  EXPECT_EQ(fortran_format("(G12.3)", {2.675}), "    2.67    ");
  EXPECT_EQ(fortran_format("(G12.3)", {999.49999999999989}), "    999.    ");
  EXPECT_EQ(fortran_format("(F15.3)", {123456789.0f}), "  123456792.000");
}

// G's switch points are computed in the value's own precision, so values
// just below a decimal boundary can take the wider form and carry.
TEST(FortranFormatRules, GSwitchesInTheValuesOwnPrecision) {
  EXPECT_EQ(fortran_format("(G12.4)", {9.9995}), "   10.00    ");
  EXPECT_EQ(fortran_format("(G12.3)", {0.9995f}), "    1.00    ");
  EXPECT_EQ(fortran_format("(G12.4)", {0.99995f}), "   1.000    ");
  EXPECT_EQ(fortran_format("(G12.3)", {9.995f}), "    10.0    ");
  EXPECT_EQ(fortran_format("(G15.3)", {99.95f}), "       100.    ");
  // The same binary values as doubles are compared with double thresholds.
  EXPECT_EQ(fortran_format("(G12.3)", {double{0.9995f}}), "   0.999    ");
  EXPECT_EQ(fortran_format("(G12.3)", {double{9.995f}}), "    9.99    ");
}

TEST(FortranFormatRules, SignZeroAndExponentFields) {
  EXPECT_EQ(fortran_format("(F15.3)", {-0.0}), "         -0.000");
  EXPECT_EQ(fortran_format("(F15.3)", {-1.23456e-300}), "         -0.000");
  EXPECT_EQ(fortran_format("(F5.3)", {-0.0}), "-.000");
  EXPECT_EQ(fortran_format("(G12.3)", {0.0}), "    0.00    ");
  EXPECT_EQ(fortran_format("(G12.3)", {-0.0}), "   -0.00    ");
  EXPECT_EQ(fortran_format("(G12.3)", {0.0625}), "   0.625E-01");
  EXPECT_EQ(fortran_format("(G12.3)", {1e300}), "   0.100+301");
  EXPECT_EQ(fortran_format("(G12.3)", {4.9406564584124654e-324}),
            "   0.494-323");
  EXPECT_EQ(fortran_format("(G12.3)", {-1.23456e-300}), "  -0.123-299");
  EXPECT_EQ(fortran_format("(G15.3)", {-1e-100}), "     -0.100E-99");
  EXPECT_EQ(fortran_format("(G12.3)", {123456789.0}), "   0.123E+09");
  EXPECT_EQ(fortran_format("(F15.3)", {99999999999.9994965}),
            "99999999999.999");
  EXPECT_EQ(fortran_format("(F15.3)", {-9999999999.9995}), "***************");
}

TEST(FortranFormatRules, NanAndInfinitySpellingsFollowTheWidth) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(fortran_format("(G12.3)", {nan}), "         NaN");
  EXPECT_EQ(fortran_format("(G12.3)", {-nan}), "         NaN");
  EXPECT_EQ(fortran_format("(F2.0)", {nan}), "**");
  EXPECT_EQ(fortran_format("(F7.0)", {inf}), "    Inf");
  EXPECT_EQ(fortran_format("(F8.0)", {inf}), "Infinity");
  EXPECT_EQ(fortran_format("(F3.0)", {-inf}), "***");
  EXPECT_EQ(fortran_format("(F8.0)", {-inf}), "    -Inf");
  EXPECT_EQ(fortran_format("(G9.1)", {-inf}), "-Infinity");
  EXPECT_EQ(fortran_format("(E12.3)", {static_cast<float>(inf)}),
            "    Infinity");
}

TEST(FortranFormatRules, IntegerAndCharacterFields) {
  EXPECT_EQ(fortran_format("(I1)", {-1}), "*");
  EXPECT_EQ(fortran_format("(I2)", {-9}), "-9");
  EXPECT_EQ(fortran_format("(I11)", {std::numeric_limits<int32_t>::min()}),
            "-2147483648");
  EXPECT_EQ(fortran_format("(G12.3)", {7}), "           7");
  EXPECT_EQ(fortran_format("(I5.3)", {7}), "  007");
  EXPECT_EQ(fortran_format("(A8)", {"ellapsed time="}), "ellapsed");
  EXPECT_EQ(fortran_format("(A15)", {"ellapsed time="}), " ellapsed time=");
  EXPECT_EQ(fortran_format("(A)", {"kept   "}), "kept   ");
  EXPECT_EQ(fortran_format("(G12.3)", {"abc"}), "         abc");
}

TEST(FortranFormatRules, HexadecimalShowsTheBits) {
  EXPECT_EQ(fortran_format("(Z8)", {255}), "      FF");
  EXPECT_EQ(fortran_format("(Z8)", {-1}), "FFFFFFFF");
  EXPECT_EQ(fortran_format("(Z3)", {-1}), "***");
  EXPECT_EQ(fortran_format("(Z20)", {1.0}), "    3FF0000000000000");
  EXPECT_EQ(fortran_format("(z12)", {1.0f}), "    3F800000");
}

TEST(FortranFormatRules, ExponentFormDropsItsLeadingZeroOnlyWhenNeeded) {
  EXPECT_EQ(fortran_format("(E12.3)", {0.0}), "   0.000E+00");
  EXPECT_EQ(fortran_format("(E12.3)", {-0.0}), "  -0.000E+00");
  EXPECT_EQ(fortran_format("(E9.3)", {-1.0}), "-.100E+01");
  EXPECT_EQ(fortran_format("(E8.3)", {-1.0}), "********");
  EXPECT_EQ(fortran_format("(G8.3)", {1e300}), ".100+301");
  EXPECT_EQ(fortran_format("(G8.3)", {-1.0}), "********");
  // With no decimals the 0 is the whole number and stays.
  EXPECT_EQ(fortran_format("(F2.0)", {-0.4}), "**");
  EXPECT_EQ(fortran_format("(F2.1)", {0.04}), ".0");
}

// Records: items left to right, early stop, reversion, X, / and literals.
TEST(FortranFormatRecords, StopsAtTheFirstDescriptorWithoutAnItem) {
  EXPECT_EQ(fortran_format("(A15,I4,A1,I2,A1,I2)", {"stops early", 2}),
            "    stops early   2");
  EXPECT_EQ(fortran_format("(A,I3,5X)", {"[", 1}), "[  1");
  EXPECT_EQ(fortran_format("(A,2X,I3)", {"a"}), "a");
  EXPECT_EQ(fortran_format("(I2,' = ',I3)", {1}), " 1 = ");
  EXPECT_EQ(fortran_format("(A,/,I3)", {"a"}), "a\n");
  EXPECT_EQ(fortran_format("(I3,/)", {1}), "  1\n");
  EXPECT_EQ(fortran_format("(A20,4G12.3)", {}), "");
}

TEST(FortranFormatRecords, RevertsToTheLastTopLevelGroup) {
  EXPECT_EQ(fortran_format("(I3,2(I2,1X))", {1, 2, 3, 4, 5, 6, 7}),
            "  1 2  3\n 4  5\n 6  7");
  EXPECT_EQ(fortran_format("(I3,2(I2,1X),I4)", {1, 2, 3, 4, 5, 6, 7, 8, 9}),
            "  1 2  3    4\n 5  6    7\n 8  9");
  EXPECT_EQ(fortran_format("(I3,2(I2,1X),(I4))", {1, 2, 3, 4, 5}),
            "  1 2  3    4\n   5");
  EXPECT_EQ(fortran_format("(2(I2,1X),3(I1))", {1, 2, 3, 4, 5, 6, 7, 8, 9}),
            " 1  2 345\n678\n9");
  EXPECT_EQ(fortran_format("(a,i8)", {"reversion", 1, "second", 2}),
            "reversion       1\nsecond       2");
  EXPECT_EQ(fortran_format("(2(A1,2(I1)))", {"a", 1, 2, "b", 3, 4, "c", 5}),
            "a12b34\nc5");
}

TEST(FortranFormatRecords, ParsingIgnoresCaseAndBlanks) {
  EXPECT_EQ(fortran_format("( a3 , 2 x , g12.3 )", {"UT ", 1.5}),
            "UT       1.50    ");
  EXPECT_EQ(fortran_format("(A,'it''s',\"x\")", {"q"}), "qit'sx");
  EXPECT_EQ(fortran_format("(I2/I2)", {1, 2}), " 1\n 2");
  EXPECT_EQ(fortran_format("(3X,A)", {"b"}), "   b");
}

TEST(FortranFormatRecords, MalformedFormatsAndMismatchesThrow) {
  for (const char* bad : {"A10",
                          "(A10",
                          "(A10))",
                          "(Q5)",
                          "(F10)",
                          "(G12.0)",
                          "(I0)",
                          "(0I3)",
                          "(A10,,I3)",
                          "('abc)",
                          "(I3 junk)"}) {
    EXPECT_THROW(textio::parse_format(bad), std::invalid_argument) << bad;
  }
  EXPECT_THROW(fortran_format("(I4)", {1.0}), std::invalid_argument);
  EXPECT_THROW(fortran_format("(F8.2)", {3}), std::invalid_argument);
  EXPECT_THROW(fortran_format("(A8)", {3}), std::invalid_argument);
  EXPECT_THROW(fortran_format("(Z8)", {"x"}), std::invalid_argument);
  EXPECT_THROW(fortran_format("('x')", {1}), std::invalid_argument);
  EXPECT_THROW(fortran_format("(I3,(/))", {1, 2}), std::invalid_argument);
  std::string out = "kept";
  auto f = textio::parse_format("(I3,F8.2)");
  std::vector<FmtArg> args = {1, 2};
  EXPECT_THROW(textio::format_into(out, f, args), std::invalid_argument);
  EXPECT_EQ(out, "kept");
}

// The per-thread cache must never hand back another format's parse, also
// after more distinct formats than it holds.
TEST(FortranFormatRecords, CachedFormatsStayDistinct) {
  for (int round = 0; round < 3; ++round) {
    for (int w = 1; w <= 40; ++w) {
      std::string format = "(I" + std::to_string(w) + ")";
      std::string want(w - 1, ' ');
      want += '5';
      ASSERT_EQ(fortran_format(format, {5}), want) << format;
    }
  }
}

}  // namespace
