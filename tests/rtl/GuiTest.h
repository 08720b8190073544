// Fixture for tests of windows and the message loop: a fresh application object per test on
// the shared offscreen Qt application, with scripted dialogs, and helpers to build forms from
// description text and pictures from pixels.
#pragma once

#include "TestComponents.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"
#include "support/QtTestApplication.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class GuiTest : public ::testing::Test {
protected:
    GuiTest();
    ~GuiTest() override;

    // A TTestForm owned by the application, restored from description text.
    TTestForm* MakeForm(const std::string& text);

    std::unique_ptr<TApplication> app;
    ScriptedDialogService* dialogs = nullptr;
};

// PNG file bytes of an image, and the same as a hex block for description text.
TBytes PngBytes(const QImage& image);
std::string HexBlock(const TBytes& bytes);
// The form's window as the screen would show it.
QImage Grab(TWinControl* control);
