// The game's routines draw and play through the runtime: the suite starts it once on
// the headless backend, so those calls run (on -1 handles) instead of waiting for a window.
#include "runtime/runtime.h"

#include <gtest/gtest.h>

namespace {

class RuntimeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetLogOutputEnabled(0);
        ASSERT_EQ(RuntimeInit(), 0);
    }
    void TearDown() override { RuntimeEnd(); }
};

::testing::Environment* const s_environment = ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

} // namespace
