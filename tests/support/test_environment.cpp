// Compiled into every test program: the environment that the tests read (the
// source and build folders, Qt's offscreen platform) is set before main runs,
// whether the test is started by CTest or by hand. Values already set win.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        setenv("KAV_SOURCE_DIR", KAV_SOURCE_DIR_DEFAULT, 0);
        setenv("KAV_BINARY_DIR", KAV_BINARY_DIR_DEFAULT, 0);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
} const environment;
}  // namespace
