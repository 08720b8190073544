#include "skin/bsPngImageList.h"

#include <cstdio>
#include <string>

// --- TbsPngImageItem ----------------------------------------------------------------------

TbsPngImageItem::TbsPngImageItem() : pngImage_(std::make_unique<TbsPngImage>()) {}
TbsPngImageItem::~TbsPngImageItem() = default;

const TClassInfo& TbsPngImageItem::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsPngImageItem, TCollectionItem>("TbsPngImageItem")
            .Object("PngImage", &TbsPngImageItem::PngImage)
            .Property("Name", &TbsPngImageItem::SetName);
    return info;
}

void TbsPngImageItem::SetPngImage(const TbsPngImage& value) {
    pngImage_->Assign(&value);
    Changed();
}

AnsiString TbsPngImageItem::DisplayName() const {
    return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

void TbsPngImageItem::Added() {
    char name[32];
    std::snprintf(name, sizeof name, "PngImage%d", Index());
    name_ = name;
    if (auto* list = dynamic_cast<TbsPngImageList*>(Collection()->Owner()))
        list->ItemAdded(Index());
}

// --- TbsPngImageItems ---------------------------------------------------------------------

TbsPngImageItems::TbsPngImageItems(TPersistent* owner)
    : TCollection(owner, [] { return std::make_unique<TbsPngImageItem>(); }) {}

TbsPngImageItem* TbsPngImageItems::Item(int index) const {
    return static_cast<TbsPngImageItem*>(Items(index));
}

// --- TbsPngImageList ----------------------------------------------------------------------

TbsPngImageList::TbsPngImageList(TComponent* owner)
    : TCustomImageList(owner), pngImages_(std::make_unique<TbsPngImageItems>(this)) {
    pngImages_->OnUpdate = [this](TCollectionItem*) { ItemsUpdated(); };
}

TbsPngImageList::~TbsPngImageList() {
    pngImages_->OnUpdate = nullptr;
}

const TClassInfo& TbsPngImageList::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsPngImageList, TCustomImageList>("TbsPngImageList")
            .Collection<TbsPngImageItem>("PngImages", &TbsPngImageList::PngImages)
            .Property("PngWidth", &TbsPngImageList::SetPngWidth)
            .Property("PngHeight", &TbsPngImageList::SetPngHeight);
    return info;
}

void TbsPngImageList::SetPngImages(const TbsPngImageItems& value) {
    pngImages_->Clear();
    for (int i = 0; i < value.Count(); ++i) {
        auto* item = static_cast<TbsPngImageItem*>(pngImages_->Add());
        item->SetName(value.Item(i)->Name());
        item->SetPngImage(*value.Item(i)->PngImage());
    }
}

void TbsPngImageList::SetPngWidth(int value) {
    ResizeTo(value, PngHeight());
}
void TbsPngImageList::SetPngHeight(int value) {
    ResizeTo(PngWidth(), value);
}

void TbsPngImageList::ResizeTo(int width, int height) {
    if (width == PngWidth() && height == PngHeight())
        return;
    if (width == Width())
        SetHeight(height);
    else
        SetWidth(width);
    // While a description is read, the pictures come first and stay.
    if (!ComponentState().Contains(csLoading))
        pngImages_->Clear();
}

void TbsPngImageList::ItemAdded(int index) {
    knownItems_ = pngImages_->Count();
    QImage placeholder(PngWidth(), PngHeight(), QImage::Format_RGB32);
    placeholder.fill(Qt::white);
    if (index <= Count())
        List().Insert(index, placeholder);
}

void TbsPngImageList::ItemsUpdated() {
    // The twins show the items as read; changed items have none.
    twins_.clear();
    decodedTwins_.clear();
    // Removed items take their placeholders along, as far as the platform list has them.
    int items = pngImages_->Count();
    for (int removed = knownItems_ - items; removed > 0; --removed) {
        int index = items + removed - 1;
        if (index < Count())
            List().Remove(index);
    }
    knownItems_ = items;
}

void TbsPngImageList::DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) {
    if (index < 0 || index >= pngImages_->Count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    const TbsPngImage& picture = ItemForScale(index, canvas.Scale());
    TRect rect = Rect(x, y, x + PngWidth(), y + PngHeight());
    if (enabled)
        picture.Draw(canvas, rect);
    else
        picture.Faded().Draw(canvas, rect);
}

void TbsPngImageList::Loaded() {
    TCustomImageList::Loaded();
    twins_.clear();
    for (int index = 0; index < pngImages_->Count(); ++index)
        twins_.emplace_back(TwinResourceName(*this, std::to_string(index)));
}

const TbsPngImage& TbsPngImageList::ItemForScale(int index, qreal scale) {
    const TbsPngImage& picture = *pngImages_->Item(index)->PngImage();
    if (!WantsTwin(scale) || index >= static_cast<int>(twins_.size()))
        return picture;
    auto [entry, fresh] = decodedTwins_.try_emplace(index);
    if (fresh) {
        entry->second.LoadFromData(twins_[static_cast<std::size_t>(index)].Resource());
        entry->second.SetScale(2);
    }
    const TbsPngImage& twin = entry->second;
    bool fits = twin.Width() == 2 * picture.Width() && twin.Height() == 2 * picture.Height();
    return fits && !picture.Empty() ? twin : picture;
}

// --- TbsPngImageStorage -------------------------------------------------------------------

TbsPngImageStorage::TbsPngImageStorage(TComponent* owner)
    : TComponent(owner), pngImages_(std::make_unique<TbsPngImageItems>(this)) {}

TbsPngImageStorage::~TbsPngImageStorage() = default;

const TClassInfo& TbsPngImageStorage::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsPngImageStorage, TComponent>("TbsPngImageStorage")
            .Collection<TbsPngImageItem>("PngImages", &TbsPngImageStorage::PngImages);
    return info;
}
