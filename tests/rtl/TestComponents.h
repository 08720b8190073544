// Small registered classes the run-time library tests restore from descriptions: a component
// that refers to another (and clears the reference when told), a windowed panel, and a test
// form that records the window-manager moves it is asked for.
#pragma once

#include "rtl/CustomControl.h"
#include "rtl/Form.h"
#include "rtl/Image.h"
#include "rtl/TypeInfo.h"

#include <string>
#include <vector>

class TTestLink : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TTestLink(TComponent* owner) : TComponent(owner) {}
    ~TTestLink() override;

    TComponent* Target() const { return target_; }
    void SetTarget(TComponent* target);
    // Whether the target was already set when Loaded ran.
    bool TargetSetWhenLoaded = false;
    int LoadedCount = 0;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

private:
    TComponent* target_ = nullptr;
};

class TTestPanel : public TCustomControl {
public:
    DECLARE_CLASS_INFO
    explicit TTestPanel(TComponent* owner) : TCustomControl(owner) {}
};

class TTestForm : public TForm {
public:
    DECLARE_CLASS_INFO
    using TForm::TForm;

    TImage* Picture1 = nullptr;
    std::vector<std::string> Calls;
    std::vector<WPARAM> SysCommands;

    void FormCreate(TObject* Sender);
    void Picture1Click(TObject* Sender);
    void Picture1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SysCommand(WPARAM command) override { SysCommands.push_back(command); }
};

void RegisterTestClasses();
