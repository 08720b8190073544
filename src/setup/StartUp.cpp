#include "StartUp.h"

#include "SetupClasses.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#include "rtl/Application.h"

#include <Gbk.h>

void CreateSetupWindows() {
    RegisterSetupClasses();
    Application->Initialize();
    Application->SetTitle(*gbk::FromUtf8("Talvimo安装向导"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
}
