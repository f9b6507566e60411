#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kestrel {

// A path under the test temporary folder that no other test, and no other test process
// (ctest runs tests in parallel, several builds may run at once), uses at the same time.
inline std::filesystem::path scratchPath(const std::string& stem) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = stem + "_" + std::to_string(::getpid());
    if (test != nullptr) name += std::string("_") + test->test_suite_name() + "_" + test->name();
    return std::filesystem::path(::testing::TempDir()) / name;
}

}  // namespace kestrel
