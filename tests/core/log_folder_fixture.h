// The log written into a fresh temporary folder with the scripted clock at 1000 ms;
// the whole runtime state is put back after each test.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "runtime/core/runtime_state.h"
#include "runtime/platform/scripted/scripted.h"

class LogFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_runtime;
        char tmpl[] = "/tmp/bkt-log-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        snprintf(g_runtime.startDirectory, sizeof(g_runtime.startDirectory), "%s", dir_.c_str());
        g_runtime.settings.logDisabled = 0;
        ScriptedSetClock(1000);
    }
    void TearDown() override {
        remove(File().c_str());
        rmdir(dir_.c_str());
        g_runtime = saved_;
    }
    std::string File() const { return dir_ + "/AppLog.txt"; }
    // The log file's bytes, or "<missing>".
    std::string Contents() const {
        FILE* f = fopen(File().c_str(), "rb");
        if (!f) return "<missing>";
        std::string s;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), f)) > 0) s.append(buf, n);
        fclose(f);
        return s;
    }
    RuntimeState saved_;
    std::string dir_;
};
