// Free-form reads against the reference cases in listin_cases_visible.tsv,
// and the reader's diagnostics.
#include "freeform_in.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <variant>
#include <vector>

#include "text_source.h"
#include "vectors.h"

namespace {

using testsupport::Json;

// One variable of a case, with two distinct starting values so that an
// unchanged variable is recognised.
struct Var {
  std::string type;
  int32_t i = 0;
  double d = 0;
  float f = 0;
  bool l = false;
  std::string c;
  textio::Item item() {
    if (type == "i4") return textio::item(i);
    if (type == "r8") return textio::item(d);
    if (type == "r4") return textio::item(f);
    if (type == "l") return textio::item(l);
    return textio::item(c, std::stoi(type.substr(1)));
  }
  void init(int variant) {
    i = variant ? -777 : 777;
    d = variant ? -777.25 : 777.5;
    f = variant ? -777.25f : 777.5f;
    l = variant != 0;
    c = std::string(size_t(std::stoi(type[0] == 'c' ? type.substr(1) : "1")),
                    variant ? 'y' : 'x');
  }
  bool unchanged(int variant) const {
    Var v;
    v.type = type;
    v.init(variant);
    if (type == "i4") return i == v.i;
    if (type == "r8")
      return std::bit_cast<uint64_t>(d) == std::bit_cast<uint64_t>(v.d);
    if (type == "r4")
      return std::bit_cast<uint32_t>(f) == std::bit_cast<uint32_t>(v.f);
    if (type == "l") return l == v.l;
    return c == v.c;
  }
};

// Checks one variable against its expected JSON value; "" when it agrees.
std::string check(const Var& v, const Json& want, int variant) {
  if (want.kind == Json::Kind::kNull) {
    return v.unchanged(variant) ? "" : "changed, expected unchanged";
  }
  if (v.type == "i4") {
    return v.i == std::stol(want.text) ? "" : "got " + std::to_string(v.i);
  }
  if (v.type == "l") return v.l == want.boolean ? "" : "wrong logical";
  if (v.type == "r8" || v.type == "r4") {
    double got = v.type == "r8" ? v.d : double(v.f);
    if (want.kind == Json::Kind::kString) {
      if (want.text == "NaN") return std::isnan(got) ? "" : "expected NaN";
      double inf = want.text[0] == '-' ? -INFINITY : INFINITY;
      return got == inf ? "" : "expected " + want.text;
    }
    bool same = v.type == "r8" ? std::bit_cast<uint64_t>(v.d) ==
                                     std::bit_cast<uint64_t>(std::strtod(
                                         want.text.c_str(), nullptr))
                               : std::bit_cast<uint32_t>(v.f) ==
                                     std::bit_cast<uint32_t>(std::strtof(
                                         want.text.c_str(), nullptr));
    return same ? "" : "got " + std::to_string(got) + " expected " + want.text;
  }
  std::string text(textio::trimmed(v.c));
  std::string expected = want.text;
  if (want.kind == Json::Kind::kObject) {  // {"hex": ...}
    const std::string& hex = want.members[0].second.text;
    expected.clear();
    for (size_t k = 0; k + 1 < hex.size(); k += 2) {
      expected += char(std::stoi(hex.substr(k, 2), nullptr, 16));
    }
    expected = std::string(textio::trimmed(expected));
  }
  return text == expected
             ? ""
             : "got \"" + text + "\" expected \"" + expected + "\"";
}

TEST(FreeformRead, EveryReferenceCaseGivesTheReferenceResult) {
  auto rows = testsupport::read_table(
                  IONO_TEST_DATA "/fortran-vectors/listin_cases_visible.tsv")
                  .rows;
  ASSERT_GT(rows.size(), 100u);
  int failures = 0;
  for (const auto& row : rows) {
    ASSERT_GE(row.size(), 4u);
    const std::string input = testsupport::cell_text(row[1]);
    Json reads = testsupport::parse_json(row[2]);
    Json expected = testsupport::parse_json(row[3]);
    for (int variant = 0; variant < 2; ++variant) {
      std::istringstream in(input);
      textio::LineSource src;
      src.in = &in;
      src.name = "case";
      std::string problem;
      for (size_t r = 0; r < expected.items.size() && problem.empty(); ++r) {
        std::vector<Var> vars;
        for (const auto& t : reads.items[r].items) {
          Var v;
          v.type = t.text;
          vars.push_back(v);
        }
        std::vector<textio::Item> items;
        for (auto& v : vars) v.init(variant);
        for (auto& v : vars) items.push_back(v.item());
        textio::ReadResult res = textio::read_list(src, items);
        const Json& want = expected.items[r];
        if (want.kind == Json::Kind::kString) {
          auto st = want.text == "EOF" ? textio::ReadStatus::kEof
                                       : textio::ReadStatus::kError;
          if (res.status != st)
            problem =
                "read " + std::to_string(r + 1) + ": expected " + want.text;
          break;
        }
        if (res.status != textio::ReadStatus::kOk) {
          problem = "read " + std::to_string(r + 1) + " failed: " + res.message;
          break;
        }
        for (size_t k = 0; k < vars.size() && problem.empty(); ++k) {
          std::string p = check(vars[k], want.items[k], variant);
          if (!p.empty())
            problem = "read " + std::to_string(r + 1) + " item " +
                      std::to_string(k + 1) + ": " + p;
        }
      }
      if (!problem.empty()) {
        ++failures;
        ADD_FAILURE() << row[0] << ": " << problem;
        break;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

textio::ReadResult read_text(const std::string& text,
                             std::initializer_list<textio::Item> items,
                             int skip_reads = 0) {
  static std::istringstream in;
  in.clear();
  in.str(text);
  static textio::LineSource src;
  src.in = &in;
  src.name = "standard input";
  src.lineno = 0;
  for (int k = 0; k < skip_reads; ++k) textio::read_list(src, {});
  return textio::read_list(src, items);
}

TEST(FreeformRead, DiagnosticsNameSourceLineTextAndType) {
  int32_t a = 0, b = 0;
  double x = 0;
  std::string s;
  auto r = read_text("1\n2\n7 abc\n", {textio::item(a), textio::item(b)}, 2);
  EXPECT_EQ(r.status, textio::ReadStatus::kError);
  EXPECT_NE(r.message.find("standard input, line 3"), std::string::npos)
      << r.message;
  EXPECT_NE(r.message.find("\"abc\""), std::string::npos) << r.message;
  EXPECT_NE(r.message.find("integer"), std::string::npos) << r.message;
  EXPECT_EQ(a, 7);  // items before the failure keep their values

  r = read_text("1.5\n", {textio::item(a)});
  EXPECT_EQ(r.status, textio::ReadStatus::kError);
  EXPECT_NE(r.message.find("\"1.5\""), std::string::npos) << r.message;

  r = read_text("3\n", {textio::item(a), textio::item(x)});
  EXPECT_EQ(r.status, textio::ReadStatus::kEof);
  EXPECT_NE(r.message.find("input ends"), std::string::npos) << r.message;
  EXPECT_NE(r.message.find("real"), std::string::npos) << r.message;

  r = read_text("'data.txt'x 5\n", {textio::item(s, 20), textio::item(a)});
  EXPECT_EQ(r.status, textio::ReadStatus::kError);
  EXPECT_NE(r.message.find("'data.txt'x"), std::string::npos) << r.message;
}

TEST(FreeformRead, FailedReadIsReportedAsOneInputErrorLine) {
  int32_t a = 0;
  testsupport::TextSource answers("one\n", "answers");
  const textio::ReadResult r =
      textio::read_list(answers.src, {textio::item(a)});
  ASSERT_EQ(r.status, textio::ReadStatus::kError);
  EXPECT_EQ(textio::input_error_line(r),
            "input error: answers, line 1: cannot read \"one\" as an integer "
            "(int32) (item 1)");
}

TEST(FreeformRead, WholeLineReadKeepsBlanksAndCutsToLength) {
  std::istringstream in("  a b, c/d  \n0123456789\n");
  textio::LineSource src;
  src.in = &in;
  src.name = "list";
  std::string s;
  ASSERT_EQ(textio::read_line(src, s, 20).status, textio::ReadStatus::kOk);
  EXPECT_EQ(s, "  a b, c/d          ");
  ASSERT_EQ(textio::read_line(src, s, 4).status, textio::ReadStatus::kOk);
  EXPECT_EQ(s, "0123");
  EXPECT_EQ(textio::read_line(src, s, 4).status, textio::ReadStatus::kEof);
}

}  // namespace

namespace {

// Random texts from the characters that matter to the scanner never crash a
// read, and a failed read always says where.
TEST(FreeformRead, ArbitraryInputNeverCrashes) {
  const std::string alphabet = "0123456789+-.eEdD*,;/'\" \t\r\nTFtfxnaiN(";
  std::mt19937 g(99);
  for (int k = 0; k < 20000; ++k) {
    std::string text;
    int n = int(g() % 24);
    for (int c = 0; c < n; ++c) text += alphabet[g() % alphabet.size()];
    std::istringstream in(text);
    textio::LineSource src;
    src.in = &in;
    src.name = "random";
    int32_t i = 0;
    double d = 0;
    float f = 0;
    bool l = false;
    std::string s(5, ' ');
    for (int r = 0; r < 3; ++r) {
      auto res = textio::read_list(src,
                                   {textio::item(i),
                                    textio::item(s, 5),
                                    textio::item(d),
                                    textio::item(l),
                                    textio::item(f)});
      if (res.status != textio::ReadStatus::kOk) {
        ASSERT_NE(res.message.find("random"), std::string::npos);
        break;
      }
      ASSERT_EQ(s.size(), 5u);
    }
  }
}

}  // namespace

namespace {

TEST(FreeformRead, RepeatedNullsTakeTheCommaAfterThem) {
  std::istringstream in("1*,7\n2* ,7\n");
  textio::LineSource src;
  src.in = &in;
  src.name = "answers";
  int32_t a = -1, b = -1, c = -1;
  ASSERT_EQ(textio::read_list(src, {textio::item(a), textio::item(b)}).status,
            textio::ReadStatus::kOk);
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, 7);
  a = b = -1;
  ASSERT_EQ(textio::read_list(
                src, {textio::item(a), textio::item(b), textio::item(c)})
                .status,
            textio::ReadStatus::kOk);
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 7);
}

}  // namespace
