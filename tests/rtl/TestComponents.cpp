#include "TestComponents.h"

#include "rtl/CustomControl.h"

TTestLink::~TTestLink() {
    SetTarget(nullptr);
}

void TTestLink::SetTarget(TComponent* target) {
    if (target_)
        target_->RemoveFreeNotification(this);
    target_ = target;
    if (target_)
        target_->FreeNotification(this);
}

void TTestLink::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == target_)
        target_ = nullptr;
}

void TTestLink::Loaded() {
    TComponent::Loaded();
    TargetSetWhenLoaded = target_ != nullptr;
    ++LoadedCount;
}

const TClassInfo& TTestLink::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TTestLink, TComponent>("TTestLink")
                                       .Reference("Target", &TTestLink::SetTarget);
    return info;
}

const TClassInfo& TTestPanel::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TTestPanel, TCustomControl>("TTestPanel");
    return info;
}

void TTestForm::FormCreate(TObject* Sender) {
    (void)Sender;
    Calls.push_back("FormCreate");
}

void TTestForm::Picture1Click(TObject* Sender) {
    (void)Sender;
    Calls.push_back("Picture1Click");
}

void TTestForm::Picture1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                  int Y) {
    (void)Sender, (void)Button;
    Calls.push_back("Picture1MouseDown " + std::to_string(X) + "," + std::to_string(Y));
    BeginWindowDrag(this, Shift);
}

const TClassInfo& TTestForm::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TTestForm, TForm>("TTestForm")
                                       .Field("Picture1", &TTestForm::Picture1)
                                       .Method("FormCreate", &TTestForm::FormCreate)
                                       .Method("Picture1Click", &TTestForm::Picture1Click)
                                       .Method("Picture1MouseDown", &TTestForm::Picture1MouseDown);
    return info;
}

void RegisterTestClasses() {
    RegisterClass(TTestLink::StaticClassInfo());
    RegisterClass(TTestPanel::StaticClassInfo());
    RegisterClass(TTestForm::StaticClassInfo());
}
