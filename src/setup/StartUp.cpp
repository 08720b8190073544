#include "StartUp.h"

#include "FinishWindow.h"
#include "OptionsWindow.h"
#include "ProgressWindow.h"
#include "SetupClasses.h"

#include "rtl/Application.h"

#include "winapi/Gbk.h"

void CreateSetupWindows() {
    RegisterSetupClasses();
    Application->Initialize();
    Application->SetTitle(*gbk::FromUtf8("Talvimo安装向导"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
}
