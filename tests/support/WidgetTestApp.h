#pragma once
// Include in a test program that builds real widgets: one QApplication (offscreen under
// CTest) lives for the whole run, created before the first test and deleted after the last.
#include <QApplication>
#include <gtest/gtest.h>

namespace zelvan::test
{

class WidgetApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "zelvan-widget-test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    void TearDown() override { delete app; }

private:
    QApplication* app = nullptr;
};

inline ::testing::Environment* const widgetApplication =
    ::testing::AddGlobalTestEnvironment(new WidgetApplication);

} // namespace zelvan::test
