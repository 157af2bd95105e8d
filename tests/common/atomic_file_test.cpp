// Output files appear whole or not at all.
#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tempdir.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream f(p);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

using testsupport::TempDir;

TEST(AtomicFile, CommitReplacesTheTargetAndKeepsItsPermissions) {
  TempDir d;
  fs::path p = d.at("series");
  { std::ofstream(p) << "old\n"; }
  chmod(p.c_str(), 0640);
  textio::AtomicFile f;
  ASSERT_TRUE(textio::atomic_open(f, p));
  textio::atomic_write(f, "new 1\n");
  EXPECT_EQ(slurp(p), "old\n");  // nothing visible before the commit
  textio::atomic_write(f, std::string(3 << 20, 'x'));
  ASSERT_TRUE(textio::atomic_commit(f));
  EXPECT_EQ(slurp(p).substr(0, 6), "new 1\n");
  EXPECT_EQ(fs::file_size(p), 6u + (3u << 20));
  struct stat st;
  stat(p.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(d.entries(), 1);
}

TEST(AtomicFile, AbortAndFailureLeaveTheTargetAsItWas) {
  TempDir d;
  fs::path p = d.at("series");
  { std::ofstream(p) << "old\n"; }
  textio::AtomicFile f;
  ASSERT_TRUE(textio::atomic_open(f, p));
  textio::atomic_write(f, "new\n");
  textio::atomic_abort(f);
  EXPECT_EQ(slurp(p), "old\n");
  EXPECT_EQ(d.entries(), 1);

  std::string error;
  EXPECT_FALSE(textio::write_file_atomic(d.at("no/such"), "x", error));
  EXPECT_NE(error.find("no/such"), std::string::npos) << error;
}

}  // namespace
