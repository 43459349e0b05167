// Shared set-up of the input tests: the module started on the scripted backend
// without a window, the log off, the application active.
#pragma once

#include <gtest/gtest.h>

#include "runtime/core/runtime_state.h"
#include "runtime/input/input.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLogOutputEnabled(0);
        g_runtime.window.appActive = 1;
        // The input service stands on the component step of RuntimeInit; without
        // it a query fails instead of starting the module.
        g_runtime.comInitialised = 1;
        for (int i = 0; i < PLATFORM_PAD_MAX; i++) ScriptedSetPad(i, 0, 0, 0, 0);
        ScriptedSetKeys(nullptr, 0);
        SetInputPlainMode(0);
        ASSERT_EQ(InitInput(), 0);
        ScriptedAdvanceClock(1);
    }
    void TearDown() override {
        EndInput();
        g_runtime.comInitialised = 0;
        SetInputPlainMode(0);
        for (int i = 0; i < PLATFORM_PAD_MAX; i++) ScriptedSetPad(i, 0, 0, 0, 0);
        ScriptedSetKeys(nullptr, 0);
    }
    // Holds exactly these keys and lets a millisecond pass so the next read sees them.
    void Hold(std::initializer_list<unsigned char> keys) {
        unsigned char codes[16];
        int n = 0;
        for (unsigned char k : keys) codes[n++] = k;
        ScriptedSetKeys(codes, n);
        ScriptedAdvanceClock(1);
    }
};
