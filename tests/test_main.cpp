// Test program entry: either one child-process scenario or the whole suite.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/harness.h"

int main(int argc, char** argv) {
    int exit_code = 0;
    if (velk_test::RunScenarioFromCommandLine(argc, argv, &exit_code)) return exit_code;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
