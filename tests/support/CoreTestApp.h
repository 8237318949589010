#pragma once
// Include in a test program that runs the capture engine without widgets: one QCoreApplication
// (for its signals, timers and threads) lives for the whole run, created before the first test
// and deleted after the last.
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace zelvan::test
{

class CoreApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "zelvan-engine-test";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
    void TearDown() override { delete app; }

private:
    QCoreApplication* app = nullptr;
};

inline ::testing::Environment* const coreApplication =
    ::testing::AddGlobalTestEnvironment(new CoreApplication);

} // namespace zelvan::test
