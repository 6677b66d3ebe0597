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
    if (sim::OpenRegistryKeyCount() != 0)
        ADD_FAILURE() << sim::OpenRegistryKeyCount() << " registry key(s) opened and never closed";
    // A planned failure that never fired tested nothing: the call was never reached.
    for (const std::string& plan : sim::UnfiredFailures()) ADD_FAILURE() << "planned failure never fired: " << plan;
}

void SimTest::TearDown() { ReportSimulationFailures(); }
