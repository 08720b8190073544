// The skin tests run with one application object on Qt's offscreen platform, which the
// controls and text measuring need.
#include "rtl/Application.h"
#include "rtl/StandardClasses.h"
#include "skin/SkinClasses.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    RegisterStandardClasses();
    RegisterSkinClasses();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
