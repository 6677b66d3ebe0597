// The fixture every host test starts from: a new simulated Windows and fresh launcher state.
#ifndef TAVIO_TESTS_UNIT_SUPPORT_H
#define TAVIO_TESTS_UNIT_SUPPORT_H

#include <gtest/gtest.h>

#include "launcher_state.h"
#include "sim.h"

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Fails the test on anything the simulation caught (an endless wait), on a registry key
    // left open, and on a planned failure that never fired.
    void TearDown() override;
    // A new machine and a new process, for each row of a table. What the simulation caught
    // in the row before is reported first, as the reset would clear it.
    void Restart();
    void ReportSimulationFailures();
};

#endif
