#pragma once
// The console started on a ConsoleLab folder and logged in as the default
// administrator, with its main window shown: the ground of the page tests.
#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "console/window/ui/app.h"
#include "console/window/ui/forms.h"
#include "tests/console/console_lab.h"

namespace mendrix::test {

class LoggedInConsole : public ::testing::Test, public ConsoleLab {
protected:
    std::unique_ptr<MendrixApp> app;

    void SetUp() override {
        app = std::make_unique<MendrixApp>(ConsoleEnv{dialogs, clock, desktop, folder(), [] {}});
        app->start();
        app->Form_enter()->Edit1->setText("admin");
        app->Form_enter()->Edit2->setText("admin");
        QTest::keyClick(app->Form_enter()->Edit2, Qt::Key_Return);
        ASSERT_TRUE(app->Form1()->isVisible());
    }
    // Runs a menu command of the main window by its action's name.
    void trigger(const char* name) { app->Form1()->findChild<QAction*>(name)->trigger(); }
};

}  // namespace mendrix::test
