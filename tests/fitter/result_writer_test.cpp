// The block end's files written on the writer's thread: in the order
// queued, whole, and every failure reported with its file.
#include "result_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tempdir.h"

namespace ptfit {
namespace {

TEST(ResultWriter, WritesInOrderAndReportsEveryFailure) {
  testsupport::TempDir dir("writer");
  ResultWriter w;
  const std::string gone = dir.at("gone");
  std::filesystem::create_directory(gone);
  // A directory that does not exist: reported when queued.
  const std::string early =
      queue_result(w, dir.at("none/a.bin"), [] { return "x\n"; });
  EXPECT_NE(early.find("error writing file " + dir.at("none/a.bin")),
            std::string::npos)
      << early;
  // The same name twice: the later text wins, as with a parameter named
  // chi2 and "chi2.bin".
  EXPECT_EQ(queue_result(w, dir.at("chi2.bin"), [] { return "first\n"; }), "");
  EXPECT_EQ(queue_result(w, dir.at("chi2.bin"), [] { return "second\n"; }), "");
  // A directory removed after its file was opened: reported when done.
  EXPECT_EQ(queue_result(w, gone + "/b.bin", [] { return "y\n"; }), "");
  std::filesystem::remove_all(gone);
  start_writing(w);
  const std::vector<std::string> late = finish_writing(w);
  ASSERT_EQ(late.size(), 1u);
  EXPECT_NE(late[0].find("error writing file " + gone + "/b.bin"),
            std::string::npos)
      << late[0];
  EXPECT_EQ(dir.read("chi2.bin"), "second\n");
  EXPECT_EQ(dir.entries(), 1);  // no temporary file left
  EXPECT_TRUE(finish_writing(w).empty());
}

}  // namespace
}  // namespace ptfit
