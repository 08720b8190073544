#include "GuiTest.h"

#include "rtl/DescriptionReader.h"
#include "rtl/StoredDescription.h"

namespace {

const char* const kNested = R"(object TestForm1: TTestForm
  ClientWidth = 300
  ClientHeight = 200
  OnCreate = FormCreate
  object LinkBefore: TTestLink
    Target = Panel1
  end
  object Panel1: TTestPanel
    Left = 10
    Top = 20
    Width = 200
    Height = 100
    object Picture1: TImage
      Left = 5
      Top = 6
      Width = 30
      Height = 40
      Cursor = crHandPoint
      OnClick = Picture1Click
    end
  end
  object LinkAfter: TTestLink
    Target = Picture1
  end
  object LinkToRoot: TTestLink
    Target = TestForm1
  end
end
)";

class DescriptionReaderTest : public GuiTest {};

TEST_F(DescriptionReaderTest, RestoresNestedControlsWithOwnerParentAndProperties) {
    TTestForm* form = MakeForm(kNested);
    auto* panel = dynamic_cast<TTestPanel*>(form->FindComponent("Panel1"));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(form->Picture1, nullptr);
    EXPECT_EQ(form->Picture1->Owner(), form);
    EXPECT_EQ(form->Picture1->Parent(), panel);
    EXPECT_EQ(panel->Parent(), form);
    EXPECT_EQ(panel->Widget()->parentWidget(), form->Widget());
    EXPECT_EQ(form->Picture1->BoundsRect(), Bounds(5, 6, 30, 40));
    EXPECT_EQ(form->Picture1->Cursor(), crHandPoint);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Calls, std::vector<std::string>{"FormCreate"});
    form->Picture1->OnClick(form->Picture1);
    EXPECT_EQ(form->Calls.back(), "Picture1Click");
}

TEST_F(DescriptionReaderTest, ResolvesReferencesAfterReadingWhateverTheirOrder) {
    TTestForm* form = MakeForm(kNested);
    auto* before = dynamic_cast<TTestLink*>(form->FindComponent("LinkBefore"));
    auto* after = dynamic_cast<TTestLink*>(form->FindComponent("LinkAfter"));
    auto* root = dynamic_cast<TTestLink*>(form->FindComponent("LinkToRoot"));
    EXPECT_EQ(before->Target(), form->FindComponent("Panel1"));
    EXPECT_EQ(after->Target(), form->Picture1);
    EXPECT_EQ(root->Target(), form);
    // Loaded runs once, after every reference is in place.
    EXPECT_TRUE(before->TargetSetWhenLoaded);
    EXPECT_EQ(before->LoadedCount, 1);
    EXPECT_FALSE(before->ComponentState().Contains(csLoading));
}

TEST_F(DescriptionReaderTest, FreeingAComponentClearsReferencesAndFieldsPointingAtIt) {
    TTestForm* form = MakeForm(kNested);
    auto* after = dynamic_cast<TTestLink*>(form->FindComponent("LinkAfter"));
    delete form->Picture1;
    EXPECT_EQ(after->Target(), nullptr);
    EXPECT_EQ(form->Picture1, nullptr);
}

TEST_F(DescriptionReaderTest, RefusesWhatItCannotRestore) {
    struct Case {
        const char* body;
        const char* message;
    } cases[] = {
        {"object X: TNoSuchClass\nend", "Class TNoSuchClass not found"},
        {"NoSuchProperty = 1", "Property NoSuchProperty does not exist"},
        {"Font.NoSuch = 1", "Property Font.NoSuch does not exist"},
        {"Width = 'wide'", "Invalid property value"},
        {"Position = poNowhere", "Invalid property value"},
        {"OnCreate = NoSuchHandler", "Method NoSuchHandler not found"},
        {"OnClick = Picture1MouseDown", "Method Picture1MouseDown does not fit OnClick"},
        {"object L: TTestLink\nTarget = Nobody\nend", "Unresolved reference to Nobody"},
    };
    for (const Case& c : cases) {
        std::string text = std::string("object F: TTestForm\n") + c.body + "\nend";
        auto* form = new TTestForm(app.get());
        try {
            ReadComponent(form, ParseDescription(text, "."));
            ADD_FAILURE() << "accepted: " << c.body;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), c.message);
        } catch (const Exception& e) {
            ADD_FAILURE() << c.body << ": " << e.Message();
        }
        delete form;
    }
}

TEST_F(DescriptionReaderTest, ValidationNamesEveryProblemWithItsLine) {
    TObjectDescription d = ParseDescription(R"(object F: TTestForm
  OnCreate = Missing
  Colour = clRed
  object Picture1: TTestPanel
    Visible = Maybe
    OnClick = Picture1MouseDown
  end
  object L: TTestLink
    Target = Nowhere
  end
  object Q: TNoSuchClass
  end
end
)",
                                            ".");
    std::vector<std::string> problems = ValidateDescription(d);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "line 2: TTestForm has no handler Missing",
                            "line 3: TTestForm has no property Colour",
                            "line 5: invalid value for Visible",
                            "line 6: handler Picture1MouseDown does not fit OnClick",
                            "line 9: no component named Nowhere",
                            "line 11: class TNoSuchClass is not registered",
                            "line 1: Picture1 is not a TImage",
                        }));
    EXPECT_TRUE(ValidateDescription(ParseDescription(kNested, ".")).empty());
}

TEST_F(DescriptionReaderTest, ValidationWantsAComponentForEveryField) {
    auto problems = ValidateDescription(ParseDescription("object F: TTestForm\nend", "."));
    EXPECT_EQ(problems, std::vector<std::string>{"line 1: TTestForm.Picture1 has no component"});
}

} // namespace
