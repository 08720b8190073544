#include "SetupClasses.h"

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#include "skin/SkinClasses.h"

void RegisterSetupClasses() {
    RegisterSkinClasses();
    RegisterClass(TForm1::StaticClassInfo());
    RegisterClass(TForm2::StaticClassInfo());
    RegisterClass(TForm3::StaticClassInfo());
}
