// TbsPngImageView: a windowless control showing one picture of a PNG image list (or of a
// PNG image storage), chosen by ImageIndex, blended over whatever lies beneath it.
#pragma once

#include "skin/bsPngImageList.h"

#include "rtl/GraphicControl.h"

#include <optional>

class TbsPngImageView : public TGraphicControl {
public:
    DECLARE_CLASS_INFO
    explicit TbsPngImageView(TComponent* owner);

    bool DoubleBuffered() const { return doubleBuffered_; }
    // A double-buffered view paints its whole rectangle itself, so it is opaque to the parent.
    void SetDoubleBuffered(bool value);
    bool ReflectionEffect() const { return reflectionEffect_; }
    void SetReflectionEffect(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TbsPngImageList* PngImageList() const { return pngImageList_; }
    void SetPngImageList(TbsPngImageList* value);
    TbsPngImageStorage* PngImageStorage() const { return pngImageStorage_; }
    void SetPngImageStorage(TbsPngImageStorage* value);
    int ImageIndex() const { return imageIndex_; }
    // Stores values of -1 or more and, with a list or storage linked, repaints at once over
    // a freshly painted background.
    void SetImageIndex(int value);
    bool Center() const { return center_; }
    void SetCenter(bool value);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
    // With a click handler the view is a button (the options window's toggle).
    TAccessibleRole DefaultAccessibleRole() const override {
        return OnClick ? TAccessibleRole::PushButton : TAccessibleRole::None;
    }
    void MouseEnter() override;
    void MouseLeave() override;
    void EnabledChanged() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void PaintPicture(TCanvas& canvas);
    void ApplyAutoSize();
    void BuildReflection();
    // The picture the view shows from the storage, when the storage has it.
    const TbsPngImage* StoragePicture() const;

    bool doubleBuffered_ = false;
    bool reflectionEffect_ = false;
    bool autoSize_ = true;
    TbsPngImageList* pngImageList_ = nullptr;
    TbsPngImageStorage* pngImageStorage_ = nullptr;
    int imageIndex_ = -1;
    bool center_ = false;
    std::optional<QImage> reflection_; // Format_ARGB32
};
