// The dialog tests run real widgets on Qt's offscreen platform, one GUI application per process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/message_loop.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();
    return RUN_ALL_TESTS();
}
