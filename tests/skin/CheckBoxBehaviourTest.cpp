// How a skinned check box reacts: the check logic, groups, mouse and keyboard.
#include "SkinTestWindow.h"
#include "skin/bsSkinCtrls.h"
#include "winapi/Gbk.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class CheckBoxBehaviour : public testing::Test {
protected:
    TbsSkinCheckRadioBox* NewBox(int top) {
        auto* box = new TbsSkinCheckRadioBox(window.Form());
        box->SetParent(window.Form());
        box->SetBounds(8, top, 150, 25);
        box->SetCaption("box");
        box->OnClick = [this](TObject*) { ++clicks; };
        return box;
    }

    void Click(TbsSkinCheckRadioBox* box, bool doubleClick = false) {
        box->HandleMouseEnter();
        box->HandleMousePress(mbLeft, {ssLeft}, 5, 5, doubleClick);
        box->HandleMouseRelease(mbLeft, {}, 5, 5);
    }

    SkinTestWindow window;
    int clicks = 0;
};

} // namespace

TEST_F(CheckBoxBehaviour, WritingCheckedFiresOnClickEvenWhenUnchanged) {
    auto* box = NewBox(10);
    box->SetChecked(true);
    box->SetChecked(true);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(box->State(), cbChecked);
    EXPECT_EQ(clicks, 2);

    box->SetState(cbGrayed);
    EXPECT_FALSE(box->Checked());
    box->SetChecked(false);
    EXPECT_EQ(box->State(), cbGrayed);

    box->SetRadio(true);
    clicks = 0;
    box->SetChecked(false);
    EXPECT_EQ(clicks, 0);
}

TEST_F(CheckBoxBehaviour, ClickTogglesAndDoubleClickTogglesTwice) {
    auto* box = NewBox(10);
    Click(box);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 1);

    Click(box);
    Click(box, true);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(box->Focused());
}

TEST_F(CheckBoxBehaviour, ReleasingAwayFromTheBoxDoesNotToggle) {
    auto* box = NewBox(10);
    box->HandleMouseEnter();
    box->HandleMousePress(mbLeft, {ssLeft}, 5, 5, false);
    box->HandleMouseLeave();
    box->HandleMouseRelease(mbLeft, {}, 200, 5);
    EXPECT_FALSE(box->Checked());

    // Also when the leave notice has not come yet.
    box->HandleMouseEnter();
    box->HandleMousePress(mbLeft, {ssLeft}, 5, 5, false);
    box->HandleMouseRelease(mbLeft, {}, 5, 40);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 0);

    // A right button click does not toggle either.
    box->HandleMousePress(mbRight, {ssRight}, 5, 5, false);
    box->HandleMouseRelease(mbRight, {}, 5, 5);
    EXPECT_FALSE(box->Checked());
}

TEST_F(CheckBoxBehaviour, SpaceTogglesOnReleaseOnly) {
    auto* box = NewBox(10);
    box->SetFocus();
    ASSERT_TRUE(box->Focused());
    QTest::keyPress(box->Widget(), Qt::Key_Space);
    QTest::keyPress(box->Widget(), Qt::Key_Space, Qt::NoModifier);
    EXPECT_FALSE(box->Checked());
    QTest::keyRelease(box->Widget(), Qt::Key_Space);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 1);

    box->SetCanFocused(false);
    QTest::keyRelease(box->Widget(), Qt::Key_Space);
    EXPECT_TRUE(box->Checked());
}

TEST_F(CheckBoxBehaviour, GroupsUncheckTheirOtherMembers) {
    auto* a = NewBox(10);
    auto* b = NewBox(40);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_TRUE(a->Checked()) << "group 0 boxes are independent";

    a->SetGroupIndex(2);
    b->SetGroupIndex(2);
    a->SetChecked(true);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    Click(b);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
}

TEST_F(CheckBoxBehaviour, RadioButtonsOnlyCheckAndGrayedComesFromUnchecked) {
    auto* radio = NewBox(10);
    radio->SetRadio(true);
    Click(radio);
    Click(radio);
    EXPECT_TRUE(radio->Checked());

    auto* box = NewBox(40);
    box->SetAllowGrayed(true);
    Click(box);
    EXPECT_EQ(box->State(), cbGrayed);
    Click(box);
    EXPECT_EQ(box->State(), cbChecked);
    Click(box);
    EXPECT_EQ(box->State(), cbUnchecked);
}

TEST_F(CheckBoxBehaviour, TheCaptionsAcceleratorTogglesAndFocusesTheBox) {
    auto* first = NewBox(10);
    auto* box = NewBox(40);
    first->SetCanFocused(true);
    box->SetCanFocused(true);
    // The two-byte GBK characters before the mark are skipped whole.
    box->SetCaption(gbk::Literal("阅读(&R)"));
    first->SetCaption("a&&b"); // a plain "&": no accelerator
    first->SetFocus();
    QWidget* form = window.Form()->Widget();
    QTest::keyClick(form, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(box->Focused());
    QTest::keyClick(form, Qt::Key_R, Qt::AltModifier);
    EXPECT_FALSE(box->Checked());
    QTest::keyClick(form, Qt::Key_B, Qt::AltModifier);
    EXPECT_FALSE(first->Checked());

    // A new caption takes the old accelerator away; a disabled box ignores its own.
    box->SetCaption("&S");
    QTest::keyClick(form, Qt::Key_R, Qt::AltModifier);
    EXPECT_FALSE(box->Checked());
    box->SetEnabled(false);
    QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
    EXPECT_FALSE(box->Checked());
}

TEST_F(CheckBoxBehaviour, OnlyAFocusableBoxIsReachedByTab) {
    auto* box = NewBox(10);
    EXPECT_FALSE(box->Widget()->focusPolicy() & Qt::TabFocus);
    box->SetCanFocused(true);
    EXPECT_TRUE(box->TabStop());
    EXPECT_TRUE(box->Widget()->focusPolicy() & Qt::TabFocus);
    box->SetCanFocused(false);
    EXPECT_FALSE(box->TabStop());
    EXPECT_FALSE(box->Widget()->focusPolicy() & Qt::TabFocus);
}
