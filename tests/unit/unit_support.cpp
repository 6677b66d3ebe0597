// Fresh state for each host test.
#include "unit_support.h"

void SimTest::SetUp() {
    sim::Reset();
    ResetLauncherState();
}

void SimTest::Restart() {
    ReportSimulationFailures();
    sim::Reset();
    ResetLauncherState();
}

void SimTest::ReportSimulationFailures() {
    for (const std::string& failure : sim::Failures()) ADD_FAILURE() << "simulated Windows: " << failure;
}

void SimTest::TearDown() { ReportSimulationFailures(); }
