// The fixture every host test starts from: a new simulated Windows and fresh launcher state.
#ifndef TAVIO_TESTS_UNIT_SUPPORT_H
#define TAVIO_TESTS_UNIT_SUPPORT_H

#include <gtest/gtest.h>

#include "sim.h"

// Puts every room's process-wide state back to its initial value, as at process start.
void ResetLauncherState();

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;  // fails the test on anything the simulation caught (an endless wait)
};

#endif
