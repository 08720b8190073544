#include "skin/bsSkinCtrls.h"

#include "skin/Raster.h"

#include "rtl/Accessibility.h"
#include "rtl/Colors.h"

#include "winapi/Gbk.h"

#include <QKeySequence>
#include <QWidget>

#include <array>
#include <cctype>

using namespace std::string_view_literals;

namespace {

constexpr std::array kCheckBoxState = {"cbUnchecked"sv, "cbChecked"sv, "cbGrayed"sv};
// The built-in look frames its box in navy while the pointer is over it.
constexpr TColor kHoverFrame = TColor(0x800000);

QRgb ToQRgb(TColor colour) {
    return ColorToQColor(colour).rgb();
}

} // namespace

NameTable EnumNameTable(TCheckBoxState) {
    return kCheckBoxState;
}

// --- TbsSkinControl -----------------------------------------------------------------------

TbsSkinControl::TbsSkinControl(TComponent* owner) : TCustomControl(owner) {}

const TClassInfo& TbsSkinControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsSkinControl, TCustomControl>("TbsSkinControl")
            .Property("HintTitle", &TbsSkinControl::SetHintTitle)
            .Property("HintImageIndex", &TbsSkinControl::SetHintImageIndex)
            .Reference("HintImageList", &TbsSkinControl::SetHintImageList)
            .Reference("SkinData", &TbsSkinControl::SetSkinData)
            .Property("SkinDataName", &TbsSkinControl::SetSkinDataName)
            .Event("OnMouseEnter", &TbsSkinControl::OnMouseEnter)
            .Event("OnMouseLeave", &TbsSkinControl::OnMouseLeave);
    return info;
}

void TbsSkinControl::SetSkinData(TbsSkinData* value) {
    if (skinData_ != nullptr)
        skinData_->RemoveFreeNotification(this);
    skinData_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
}

void TbsSkinControl::SetHintImageList(TCustomImageList* value) {
    if (hintImageList_ != nullptr)
        hintImageList_->RemoveFreeNotification(this);
    hintImageList_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
}

void TbsSkinControl::GetSkinData() {
    if (skinData_ == nullptr || skinData_->Empty())
        FIndex = -1;
    else
        FIndex = skinData_->GetControlIndex(skinDataName_);
}

void TbsSkinControl::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == skinData_)
        skinData_ = nullptr;
    if (component == hintImageList_)
        hintImageList_ = nullptr;
}

// --- TbsSkinCustomControl -----------------------------------------------------------------

TbsSkinCustomControl::TbsSkinCustomControl(TComponent* owner)
    : TbsSkinControl(owner), defaultFont_(std::make_unique<TFont>()) {
    defaultFont_->SetName("Arial");
    defaultFont_->SetHeight(14);
    defaultFont_->OnChange = [this] { Invalidate(); };
}

TbsSkinCustomControl::~TbsSkinCustomControl() {
    defaultFont_->OnChange = nullptr;
}

const TClassInfo& TbsSkinCustomControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsSkinCustomControl, TbsSkinControl>("TbsSkinCustomControl")
            .Object("DefaultFont", &TbsSkinCustomControl::DefaultFont)
            .Property("DefaultWidth", &TbsSkinCustomControl::SetDefaultWidth)
            .Property("DefaultHeight", &TbsSkinCustomControl::SetDefaultHeight)
            .Property("UseSkinFont", &TbsSkinCustomControl::SetUseSkinFont);
    return info;
}

void TbsSkinCustomControl::GetSkinData() {
    TbsSkinControl::GetSkinData();
    if (FIndex == -1)
        return;
    auto* record = dynamic_cast<TbsDataSkinCustomControl*>(SkinData()->CtrlList(FIndex));
    if (record == nullptr)
        return;
    Picture = SkinData()->ActivePicture(record->PictureIndex);
    MaskPicture = SkinData()->ActivePicture(record->MaskPictureIndex);
    SkinRect = record->SkinRect;
    ClRect = record->ClRect;
    LTPt = record->LTPoint;
    RTPt = record->RTPoint;
    LBPt = record->LBPoint;
    RBPt = record->RBPoint;
    LeftStretch = record->LeftStretch;
    TopStretch = record->TopStretch;
    RightStretch = record->RightStretch;
    BottomStretch = record->BottomStretch;
    StretchEffect = record->StretchEffect;
    StretchType = record->StretchType;
}

// --- TbsSkinCheckRadioBox -----------------------------------------------------------------

TbsSkinCheckRadioBox::TbsSkinCheckRadioBox(TComponent* owner) : TbsSkinCustomControl(owner) {
    SetSkinDataName("checkbox");
    SetInitialBounds(0, 0, 150, 25);
}

const TClassInfo& TbsSkinCheckRadioBox::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsSkinCheckRadioBox, TbsSkinCustomControl>("TbsSkinCheckRadioBox")
            .Property("WordWrap", &TbsSkinCheckRadioBox::SetWordWrap)
            .Property("AllowGrayed", &TbsSkinCheckRadioBox::SetAllowGrayed)
            .Property("State", &TbsSkinCheckRadioBox::SetState)
            .Reference("Images", &TbsSkinCheckRadioBox::SetImages)
            .Property("ImageIndex", &TbsSkinCheckRadioBox::SetImageIndex)
            .Property("Flat", &TbsSkinCheckRadioBox::SetFlat)
            .Property("UseSkinFontColor", &TbsSkinCheckRadioBox::SetUseSkinFontColor)
            .Property("CanFocused", &TbsSkinCheckRadioBox::SetCanFocused)
            .Property("Radio", &TbsSkinCheckRadioBox::SetRadio)
            .Property("Checked", &TbsSkinCheckRadioBox::SetChecked)
            .Property("GroupIndex", &TbsSkinCheckRadioBox::SetGroupIndex);
    return info;
}

void TbsSkinCheckRadioBox::SetChecked(bool value) {
    checked_ = value;
    if (value)
        state_ = cbChecked;
    else if (state_ == cbChecked)
        state_ = cbUnchecked;
    Repaint();
    AnnounceCheckedChange(this);
    if (value && groupIndex_ != 0)
        UncheckGroup();
    if ((!radio_ || value) && OnClick)
        OnClick(this);
}

void TbsSkinCheckRadioBox::UncheckGroup() {
    if (Parent() == nullptr)
        return;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TbsSkinCheckRadioBox*>(Parent()->Controls(i));
        if (other != nullptr && other != this && other->groupIndex_ == groupIndex_ &&
            other->checked_)
            other->SetChecked(false);
    }
}

void TbsSkinCheckRadioBox::SetState(TCheckBoxState value) {
    state_ = value;
    checked_ = value == cbChecked;
    Repaint();
    AnnounceCheckedChange(this);
    if (OnClick)
        OnClick(this);
}

namespace {

// The accelerator character of a GBK caption: the character after a single "&", upper-cased;
// 0 when there is none. "&&" is a plain "&" and two-byte characters are skipped whole.
char AcceleratorOf(const AnsiString& caption) {
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const auto c = static_cast<unsigned char>(caption[i]);
        if (gbk::IsLeadByte(c)) {
            ++i;
        } else if (c == '&' && i + 1 < caption.size()) {
            const auto next = static_cast<unsigned char>(caption[i + 1]);
            if (next == '&') {
                ++i;
            } else if (next > ' ' && next < 0x80) {
                return static_cast<char>(std::toupper(next));
            }
        }
    }
    return 0;
}

} // namespace

void TbsSkinCheckRadioBox::CaptionChanged() {
    UpdateAccelerator();
    Repaint();
}

void TbsSkinCheckRadioBox::UpdateAccelerator() {
    delete accelerator_;
    const char key = AcceleratorOf(Caption());
    if (key == 0 || Widget() == nullptr)
        return;
    // Qt's key codes of the printable ASCII characters are their upper-case codes.
    accelerator_ = new QShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(key)), Widget());
    accelerator_->setContext(Qt::WindowShortcut);
    QObject::connect(accelerator_, &QShortcut::activated, [this] { AcceleratorPressed(); });
}

void TbsSkinCheckRadioBox::AcceleratorPressed() {
    if (!Enabled() || !Visible())
        return;
    if (CanFocus())
        SetFocus();
    Toggle();
}

void TbsSkinCheckRadioBox::Toggle() {
    if (!radio_)
        SetChecked(!checked_);
    else if (!checked_)
        SetChecked(true);
}

void TbsSkinCheckRadioBox::SetRadio(bool value) {
    radio_ = value;
    Repaint();
}

void TbsSkinCheckRadioBox::SetAllowGrayed(bool value) {
    allowGrayed_ = value;
    Repaint();
}

void TbsSkinCheckRadioBox::SetWordWrap(bool value) {
    if (value == wordWrap_)
        return;
    wordWrap_ = value;
    if (flat_)
        Repaint();
}

void TbsSkinCheckRadioBox::SetFlat(bool value) {
    flat_ = value;
    Repaint();
}

void TbsSkinCheckRadioBox::SetCanFocused(bool value) {
    canFocused_ = value;
    SetTabStop(value);
}

void TbsSkinCheckRadioBox::SetImages(TCustomImageList* value) {
    if (images_ != nullptr)
        images_->RemoveFreeNotification(this);
    images_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
    Repaint();
}

void TbsSkinCheckRadioBox::SetImageIndex(int value) {
    imageIndex_ = value;
    Repaint();
}

void TbsSkinCheckRadioBox::SetSkinData(TbsSkinData* value) {
    TbsSkinCustomControl::SetSkinData(value);
    if (value != nullptr && !value->Empty()) {
        GetSkinData();
        Repaint();
    }
}

void TbsSkinCheckRadioBox::GetSkinData() {
    TbsSkinCustomControl::GetSkinData();
    if (FIndex == -1)
        return;
    auto* record = dynamic_cast<TbsDataSkinCheckRadioControl*>(SkinData()->CtrlList(FIndex));
    if (record == nullptr)
        return;
    skin_ = *record;
    // A state picture the skin leaves out is drawn with the plain one.
    auto fallBack = [](TRect& rect, const TRect& plain) {
        if (rect.IsEmpty())
            rect = plain;
    };
    fallBack(skin_.ActiveCheckImageRect, skin_.CheckImageRect);
    fallBack(skin_.ActiveUnCheckImageRect, skin_.UnCheckImageRect);
    fallBack(skin_.UnEnabledCheckImageRect, skin_.CheckImageRect);
    fallBack(skin_.UnEnabledUnCheckImageRect, skin_.UnCheckImageRect);
    fallBack(skin_.ActiveSkinRect, skin_.SkinRect);
}

// --- painting -------------------------------------------------------------------------------

void TbsSkinCheckRadioBox::Paint() {
    GetSkinData();
    // Everything is drawn offscreen and shown in one step, so nothing flickers.
    QImage buffer =
        ScaledSurface(QSize(std::max(Width(), 1), std::max(Height(), 1)), Canvas()->Scale());
    buffer.fill(ColorToQColor(Color()));
    {
        TCanvas canvas(&buffer);
        if (flat_)
            PaintFlat(canvas, buffer);
        else
            PaintNonFlat(canvas, buffer);
        canvas.EndPaint();
    }
    Canvas()->Draw(0, 0, buffer);
}

void TbsSkinCheckRadioBox::PaintFlat(TCanvas& canvas, QImage& buffer) {
    PaintParentBackground(canvas);
    if (FIndex != -1)
        PaintSkinned(canvas, buffer, FlatCheckArea(), FlatTextArea());
    else
        PaintBuiltIn(canvas, buffer, 22);
}

TRect TbsSkinCheckRadioBox::FlatCheckArea() const {
    return Rect(3, 0, 3 + skin_.CheckImageRect.Width(), Height());
}

TRect TbsSkinCheckRadioBox::FlatTextArea() const {
    return Rect(skin_.CheckImageRect.Width() + 3 + 4, 0, Width() - 2, Height());
}

// The non-flat style: the record's piece (the active one under the pointer or with the focus)
// stretched over the control, the check image centred in the record's check image area and the
// caption in its text area, which grows with the control as the piece does (a record without
// the areas places both as the flat style does); without a record the built-in look on the
// button face, framed while focused or under the pointer.
void TbsSkinCheckRadioBox::PaintNonFlat(TCanvas& canvas, QImage& buffer) {
    bool active = mouseIn_ || Focused();
    if (FIndex != -1 && Picture != nullptr) {
        const TRect& piece = active ? skin_.ActiveSkinRect : SkinRect;
        if (!piece.IsEmpty())
            canvas.StretchDraw(ClientRect(), SkinPiece(piece, canvas.Scale()));
        TRect checkArea = skin_.CheckImageArea;
        TRect textArea = skin_.TextArea;
        if (checkArea.IsEmpty() || textArea.IsEmpty()) {
            checkArea = FlatCheckArea();
            textArea = FlatTextArea();
        } else if (!SkinRect.IsEmpty()) {
            textArea.Right += Width() - SkinRect.Width();
            textArea.Bottom += Height() - SkinRect.Height();
        }
        PaintSkinned(canvas, buffer, checkArea, textArea);
        return;
    }
    canvas.Brush.Color = clBtnFace;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(ClientRect());
    PaintBuiltIn(canvas, buffer, 19);
    if (active) {
        canvas.Brush.Color = clBtnShadow;
        canvas.FrameRect(ClientRect());
    }
}

TRect TbsSkinCheckRadioBox::CheckImageOfState() const {
    if (!Enabled())
        return checked_ ? skin_.UnEnabledCheckImageRect : skin_.UnEnabledUnCheckImageRect;
    if (mouseIn_)
        return checked_ ? skin_.ActiveCheckImageRect : skin_.ActiveUnCheckImageRect;
    return checked_ ? skin_.CheckImageRect : skin_.UnCheckImageRect;
}

void TbsSkinCheckRadioBox::DrawCheckImage(QImage& buffer, const TRect& imageRect, bool mixWithWhite,
                                          const TRect& area) {
    if (Picture == nullptr || imageRect.IsEmpty())
        return;
    QImage image = SkinPiece(imageRect, buffer.devicePixelRatio());
    // The colour of the bottom-left pixel is transparent.
    QRgb key = image.pixel(0, image.height() - 1);
    if (mixWithWhite) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != key)
                    image.setPixel(x, y, raster::MixWithWhite(image.pixel(x, y)));
    }
    int left = area.Left + (area.Width() - skin_.CheckImageRect.Width()) / 2;
    int top = area.Top + area.Height() / 2 - skin_.CheckImageRect.Height() / 2;
    raster::CopyTransparent(buffer, left, top, image, key);
}

QImage TbsSkinCheckRadioBox::SkinPiece(const TRect& rect, qreal scale) const {
    const QImage& source = SkinData() ? SkinData()->PictureForScale(*Picture, scale) : *Picture;
    const qreal ratio = source.devicePixelRatio();
    auto device = [ratio](int coordinate) { return qRound(coordinate * ratio); };
    QImage piece = source.copy(device(rect.Left), device(rect.Top), device(rect.Width()),
                               device(rect.Height()));
    piece.setDevicePixelRatio(ratio);
    return piece;
}

void TbsSkinCheckRadioBox::SetCaptionFont(TCanvas& canvas, bool skinFont) {
    TFont* font = canvas.Font();
    font->Assign(DefaultFont());
    if (skinFont) {
        font->SetName(skin_.FontName);
        font->SetHeight(skin_.FontHeight);
        font->SetStyle(skin_.FontStyle);
    }
}

TRect TbsSkinCheckRadioBox::CaptionBox(TCanvas& canvas, const TRect& area) {
    const int left = DrawListImage(canvas, area.Left);
    TRect measured = Rect(0, 0, 0, 0);
    canvas.DrawText(Caption(), measured, DT_CALCRECT | DT_SINGLELINE);
    int top = area.Top + area.Height() / 2 - measured.Height() / 2;
    TRect box = Rect(left, top, left + measured.Width(), top + measured.Height());
    if (box.Right > area.Right)
        box.Right = area.Right;
    return box;
}

void TbsSkinCheckRadioBox::PaintSkinned(TCanvas& canvas, QImage& buffer, const TRect& checkArea,
                                        const TRect& textArea) {
    canvas.EndPaint();
    if (state_ == cbGrayed) {
        TRect grayed = (mouseIn_ && !skin_.ActiveGrayedCheckImageRect.IsEmpty())
                           ? skin_.ActiveGrayedCheckImageRect
                           : skin_.GrayedCheckImageRect;
        if (!grayed.IsEmpty()) {
            DrawCheckImage(buffer, grayed, false, checkArea);
        } else {
            TRect checkedLook = !Enabled() ? skin_.UnEnabledCheckImageRect
                                : mouseIn_ ? skin_.ActiveCheckImageRect
                                           : skin_.CheckImageRect;
            DrawCheckImage(buffer, checkedLook, true, checkArea);
        }
    } else {
        DrawCheckImage(buffer, CheckImageOfState(), false, checkArea);
    }

    SetCaptionFont(canvas, UseSkinFont());
    TColor colour = Enabled() ? skin_.FrameFontColor : skin_.UnEnabledFontColor;
    if (!useSkinFontColor_)
        colour = DefaultFont()->Color();
    canvas.Font()->SetColor(colour);
    TRect box = CaptionBox(canvas, textArea);
    canvas.Brush.Style = bsClear;
    TRect drawn = box;
    canvas.DrawText(Caption(), drawn, DT_SINGLELINE | DT_VCENTER);
    DrawFocus(canvas, buffer, box);
}

void TbsSkinCheckRadioBox::PaintBuiltIn(TCanvas& canvas, QImage& buffer, int textLeft) {
    int m = Height() / 2;
    canvas.Brush.Color = mouseIn_ ? kHoverFrame : clBtnShadow;
    canvas.FrameRect(Rect(3, m - 7, 17, m + 7));

    SetCaptionFont(canvas, false);
    canvas.Font()->SetColor(Enabled() ? DefaultFont()->Color() : clBtnShadow);
    TRect box = CaptionBox(canvas, Rect(textLeft, 0, Width() - 2, Height()));
    canvas.Brush.Style = bsClear;
    TRect drawn = box;
    canvas.DrawText(Caption(), drawn, DT_SINGLELINE | DT_VCENTER);

    if (radio_ && checked_) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = Enabled() ? clBlack : clBtnShadow;
        canvas.FillRect(Rect(7, m - 3, 13, m + 3));
    } else if (!radio_ && (checked_ || state_ == cbGrayed)) {
        canvas.Pen.Color = state_ == cbGrayed ? clGrayText : Enabled() ? clBlack : clBtnShadow;
        for (int i = 0; i < 3; ++i) {
            canvas.MoveTo(7, m + 1 - i);
            canvas.LineTo(9, m + 3 - i);
            canvas.LineTo(14, m - 2 - i);
        }
    }
    canvas.Font()->SetColor(Enabled() ? DefaultFont()->Color() : clBtnShadow);
    DrawFocus(canvas, buffer, box);
}

int TbsSkinCheckRadioBox::DrawListImage(TCanvas& canvas, int left) {
    if (images_ == nullptr || imageIndex_ < 0 || imageIndex_ >= images_->Count())
        return left;
    images_->Draw(canvas, left, Height() / 2 - images_->Height() / 2, imageIndex_, Enabled());
    return left + images_->Width() + 2;
}

void TbsSkinCheckRadioBox::DrawFocus(TCanvas& canvas, QImage& buffer, TRect box) {
    if (!Focused() || !canFocused_ || Caption().empty())
        return;
    box.Left -= 2;
    box.Right += 2 + 1;
    box.Top -= 1;
    box.Bottom += 1;
    canvas.EndPaint();
    raster::DrawFocusDots(buffer, QRect(box.Left, box.Top, box.Width(), box.Height()),
                          ToQRgb(canvas.Font()->Color()));
}

// --- input ----------------------------------------------------------------------------------

void TbsSkinCheckRadioBox::SetMouseIn(bool value) {
    if (value == mouseIn_)
        return;
    mouseIn_ = value;
    Repaint();
}

void TbsSkinCheckRadioBox::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
    SetMouseIn(true);
}

void TbsSkinCheckRadioBox::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
    SetMouseIn(false);
}

void TbsSkinCheckRadioBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && canFocused_ && !Focused()) {
        if (CanFocus())
            SetFocus();
        if (!Focused()) {
            CancelClick();
            return;
        }
    }
    pressed_ = button == mbLeft;
    SetMouseIn(true);
    TbsSkinCustomControl::MouseDown(button, shift, x, y);
}

void TbsSkinCheckRadioBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TbsSkinCustomControl::MouseUp(button, shift, x, y);
    bool wasPressed = pressed_;
    if (button == mbLeft)
        pressed_ = false;
    // A release away from the control does not toggle, even when the window system has not
    // told the control yet that the pointer left it.
    if (button != mbLeft || !wasPressed || !mouseIn_ || !ClientRect().Contains(x, y))
        return;
    if (allowGrayed_ && !radio_ && state_ == cbUnchecked)
        SetState(cbGrayed);
    else
        Toggle();
}

void TbsSkinCheckRadioBox::KeyUp(std::uint16_t& key, TShiftState shift) {
    TbsSkinCustomControl::KeyUp(key, shift);
    if (key == VK_SPACE && canFocused_ && Focused())
        Toggle();
}

void TbsSkinCheckRadioBox::DoEnter() {
    TbsSkinCustomControl::DoEnter();
    if (flat_ && canFocused_)
        Invalidate();
}

void TbsSkinCheckRadioBox::DoExit() {
    TbsSkinCustomControl::DoExit();
    if (flat_ && canFocused_)
        Invalidate();
}

void TbsSkinCheckRadioBox::EnabledChanged() {
    mouseIn_ = false;
    TbsSkinCustomControl::EnabledChanged();
    Repaint();
}

void TbsSkinCheckRadioBox::BoundsChanged() {
    TbsSkinCustomControl::BoundsChanged();
    // The background copy depends on where the control lies.
    if (flat_)
        Invalidate();
}

void TbsSkinCheckRadioBox::Notification(TComponent* component, TOperation operation) {
    TbsSkinCustomControl::Notification(component, operation);
    if (operation == opRemove && component == images_)
        images_ = nullptr;
}
