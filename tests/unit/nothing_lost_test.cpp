#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "NothingLost.h"

// The promise over many generated runs; MERO_SWEEP_RUNS sets how many.
TEST(NothingLost, HoldsOverGeneratedRuns) {
    const char* wanted = std::getenv("MERO_SWEEP_RUNS");
    const int runs = wanted ? std::atoi(wanted) : 10000;
    const SweepResult result = Sweep(1, runs);
    ASSERT_EQ(result.counterExample, "") << "counter-example:\n" << result.counterExample;
    ASSERT_EQ(result.runs, runs);
    // Not a sweep of refusals only: many runs empty the key, many keep it.
    EXPECT_GT(result.keyEmptied, runs / 20);
    EXPECT_LT(result.keyEmptied, runs - runs / 20);
    std::printf("sweep: %d runs, %d emptied the key\n", result.runs, result.keyEmptied);
}

TEST(NothingLost, FuzzInputOfAnyLengthMakesARun) {
    const std::uint8_t none[1] = {};
    ByteChoices empty(none, 0);
    const RunCase run = GenerateRun(empty);
    ASSERT_EQ(run.files.size(), 1u);
    EXPECT_EQ(CheckRun(run).violation, "");
}
