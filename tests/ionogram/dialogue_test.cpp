// The dialogue's phases in-process: how each ends (ok, a stop, a refusal,
// an input error) and the exit status the program makes of it.
#include "dialogue.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "text_source.h"

namespace ionoscan {
namespace {

using Code = Status::Code;

// The last line of `text`, without its newline.
std::string last_line(const std::string& text) {
  const size_t end = text.size() - 1;
  const size_t start = text.rfind('\n', end - 1);
  return text.substr(start + 1, end - start - 1);
}

// Runs the dialogue phase `phase` on `answers`, read as the file "input";
// what it prints goes to `out`.
template <class Phase>
Status ask(Phase phase,
           Answers& a,
           const std::string& answers,
           std::string& out) {
  testsupport::TextSource input(answers, "input");
  std::ostringstream said;
  const Status s = phase(a, input.src, said);
  out = said.str();
  return s;
}

TEST(IonoscanDialogue, UnreadableAnswerEndsThePhaseWithItsDiagnostic) {
  Answers a;
  std::string out;
  const Status s = ask(read_time_step, a, "fifteen\n", out);
  EXPECT_EQ(s.code, Code::kInputError);
  EXPECT_EQ(s.message,
            "input error: input, line 1: cannot read \"fifteen\" as a real "
            "(real32) (item 1)");
  EXPECT_EQ(exit_status(s), 2);
  EXPECT_EQ(out, " enter timestep in minutes\n");  // no echo
}

TEST(IonoscanDialogue, EveryEndingHasItsExitStatus) {
  struct Case {
    const char* answers;
    Code code;
    int status;
    const char* last;
  };
  const Case cases[] = {
      {"1 2\n3\n0\n1\n100 400\n0\n3\n", Code::kOk, 0, " read 3"},
      {"1 2\n4\n", Code::kStop, 1, "  must be 1,2, or 3!"},
      {"1 2\n3\n0\n1\n100 400\n0\n0\n",
       Code::kRefused,
       1,
       " the number of maxima to average must be at least 1"},
      {"1 2\n3\n0\n", Code::kInputError, 2, " enter mscale"},
  };
  for (const Case& c : cases) {
    Answers a;
    a.nbands = 1;
    std::string out;
    const Status s = ask(read_band_options, a, c.answers, out);
    EXPECT_EQ(s.code, c.code) << c.answers;
    EXPECT_EQ(exit_status(s), c.status) << c.answers;
    EXPECT_EQ(last_line(out), c.last) << c.answers;
  }
}

}  // namespace
}  // namespace ionoscan
