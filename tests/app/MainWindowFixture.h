#pragma once
// A main window on a fresh program directory, shown at a size that holds its documents, with
// scripted answers to every dialog; the preferences return to their defaults afterwards.

#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMDesigner.h"
#include "shell/uPreferences.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace kolvar::test {

class TMainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        main_ = std::make_unique<TfrmKolvar>();
        main_->resize(1000, 800);
        main_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        for (TfrmDesigner* d : main_->Documents()) d->SetModified(false);
        main_.reset();
        Preferences() = TPreferences();
        qunsetenv("KOLVAR_HOME");
    }

    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TfrmKolvar> main_;
};

} // namespace kolvar::test
