// Test fixtures: the simulated device at its defaults before and after each
// test, and Pellwick started on it.
#pragma once

#include <gtest/gtest.h>

#include "harness.h"

namespace e2e {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { simctl::reset(); }
    void TearDown() override { simctl::reset(); }
};

// Pellwick on the device, its main window up and its learn hook armed; with
// manual learns, a learn ends only by its flags or simctl::finish().
template <bool manualLearns>
class PellwickTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        simctl::setLearnMode(manualLearns);
        ASSERT_TRUE(app.holdsHook()) << "no main window, or the hook not armed";
    }
    App app;
};

}  // namespace e2e
