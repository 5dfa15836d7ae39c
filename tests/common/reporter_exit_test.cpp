// The reporter's exit handler: every end of a run passes its status to the
// handler once the output is out; without one set, the process ends.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>

#include "Reporter.h"
#include "coff_test_util.h"

namespace {

struct Ended {
  int code;
};

void throwEnded(int code) { throw Ended{code}; }
void returnAtOnce(int) {}

class ReporterExit : public ::testing::Test {
 protected:
  void SetUp() override {
    setQuiet(0);
    setExitHandler(throwEnded);
  }
  void TearDown() override { setExitHandler(nullptr); }
};

// The text an end prints and the status it hands over.
struct End {
  std::string text;
  int code;
};

End endOf(const std::function<void()>& run) {
  CapturedOutput out;
  try {
    run();
  } catch (const Ended& ended) {
    return {out.text(), ended.code};
  }
  return {out.text() + "(returned)", -1};
}

std::string summary() {
  return "Errors    : " + std::to_string(errorCount()) +
         "\nWarnings  : " + std::to_string(warningCount()) + "\n\n";
}

TEST_F(ReporterExit, EveryEndOfARunGoesThroughTheHandlerAfterItsOutput) {
  End ended = endOf([] { exitWithSummary(0); });
  EXPECT_EQ(ended.text, summary());
  EXPECT_EQ(ended.code, 0);

  ended = endOf([] { exitWithSummary(1); });
  EXPECT_EQ(ended.code, 1);

  ended = endOf([] { reportFatal("origin", "no way on"); });
  EXPECT_EQ(ended.text, "Error - no way on\n" + summary());
  EXPECT_EQ(ended.code, 255);

  ended = endOf([] { report(0, "origin", "stop", 1); });
  EXPECT_EQ(ended.text, "Error - stop\n" + summary());
  EXPECT_EQ(ended.code, 255);

  // A help text ends without the counts.
  ended = endOf([] { exitWithoutSummary(255); });
  EXPECT_EQ(ended.text, "");
  EXPECT_EQ(ended.code, 255);
}

TEST_F(ReporterExit, TheDefaultEndsTheProcessWithTheStatus) {
  setExitHandler(nullptr);
  setQuiet(1);
  EXPECT_EXIT(exitWithSummary(3), ::testing::ExitedWithCode(3), "");
  EXPECT_EXIT(exitWithoutSummary(255), ::testing::ExitedWithCode(255), "");
}

TEST_F(ReporterExit, AHandlerThatReturnsEndsTheProcessWithAnAbort) {
  setExitHandler(returnAtOnce);
  setQuiet(1);
  EXPECT_EXIT(exitWithSummary(0), ::testing::KilledBySignal(SIGABRT), "");
}

}  // namespace
