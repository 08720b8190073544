#include "SetupClasses.h"

#include "FinishWindow.h"
#include "OptionsWindow.h"
#include "ProgressWindow.h"

#include "skin/SkinClasses.h"

void RegisterSetupClasses() {
    RegisterSkinClasses();
    RegisterClass(TForm1::StaticClassInfo());
    RegisterClass(TForm2::StaticClassInfo());
    RegisterClass(TForm3::StaticClassInfo());
}
