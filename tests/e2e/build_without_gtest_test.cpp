// The programs build and the shipped example runs on a machine without
// GoogleTest; the test run then says what to install. The absence is simulated
// with CMAKE_DISABLE_FIND_PACKAGE_GTest on a fresh build tree of this source.
#include <gtest/gtest.h>

#include <string>

#include "RunProgram.h"

namespace {

const std::string kHint =
    "GoogleTest is not installed, so the tests were not built. Install it (Debian or Ubuntu: "
    "apt-get "
    "install libgtest-dev) and configure again, or configure with -DZV_TESTS=OFF to build the "
    "programs "
    "alone.";

RunResult cmake(const TempDir& t, const std::vector<std::string>& args) {
  return runProgram(ZV_CMAKE_COMMAND, args, t.path());
}

RunResult configure(const TempDir& t, const std::string& tree, const std::string& option) {
  return cmake(t, {"-S", ZV_SOURCE_DIR, "-B", tree, "-DCMAKE_BUILD_TYPE=Debug",
                   "-DCMAKE_CXX_COMPILER=" ZV_CXX_COMPILER, option});
}

TEST(BuildWithoutGoogleTest, ProgramsBuildTheExampleRunsAndTheTestRunSaysWhatToInstall) {
#ifdef ZV_SANITIZED
  GTEST_SKIP() << "builds the programs without sanitizers; the plain test run covers it";
#endif
  TempDir t;
  RunResult conf = configure(t, "build", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON");
  ASSERT_EQ(conf.status, 0) << conf.out << conf.err;
  EXPECT_NE(conf.err.find("GoogleTest is not installed, so the tests were not built."),
            std::string::npos)
      << conf.err;

  RunResult build = cmake(t, {"--build", "build", "-j3"});
  ASSERT_EQ(build.status, 0) << build.out << build.err;
  RunResult example = runProgram(std::string(ZV_SOURCE_DIR) + "/examples/run.sh", {t.file("build")},
                                 t.path());
  EXPECT_EQ(example.status, 0) << example.err;
  EXPECT_NE(example.out.find("Member: 'math.o'"), std::string::npos) << example.out;
  EXPECT_NE(example.out.find(":04000C000C20F00FC5\n"), std::string::npos) << example.out;
  EXPECT_NE(example.out.find(":08001800010112EC00F0006F81\n"), std::string::npos) << example.out;
  EXPECT_TRUE(t.exists("build/example/led.lst"));  // the run keeps its files in the build

  RunResult tests = runProgram(ZV_CTEST_COMMAND, {"--test-dir", "build", "--output-on-failure"},
                               t.path());
  EXPECT_NE(tests.status, 0);
  EXPECT_NE(tests.out.find(kHint + "\n"), std::string::npos) << tests.out;
  EXPECT_NE(tests.out.find("GoogleTestMissing (Failed)"), std::string::npos) << tests.out;

  // Tests switched off: no warning, no test that fails.
  RunResult off = configure(t, "build-off", "-DZV_TESTS=OFF");
  EXPECT_EQ(off.status, 0) << off.err;
  EXPECT_EQ(off.err.find("GoogleTest"), std::string::npos) << off.err;
}

}  // namespace
