#include "Classes.h"

#include "TypeInfo.h"

#include <algorithm>
#include <strings.h>

namespace {
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}
} // namespace

std::string_view TObject::ClassName() const {
    return ClassInfo().Name();
}

bool TObject::InheritsFrom(const TClassInfo& ancestor) const {
    return ClassInfo().InheritsFrom(ancestor);
}

void TPersistent::Assign(const TPersistent* source) {
    AnsiString from = source ? AnsiString(source->ClassName()) : AnsiString("nil");
    throw Exception("Cannot assign a " + from + " to a " + AnsiString(ClassName()));
}

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_.Include(csDestroying);
    // Tell everyone who holds a pointer to this component; they clear it.
    while (!freeNotifies_.empty()) {
        TComponent* peer = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = peer->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        peer->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

void TComponent::SetName(const AnsiString& name) {
    if (name == name_)
        return;
    if (owner_ && !name.empty()) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this)
            throw Exception("A component named " + name + " already exists");
    }
    name_ = name;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (SameName(c->name_, name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    Notification(component, opRemove);
    // A field of this class that points at the component no longer does.
    if (const TFieldInfo* field = ClassInfo().FindField(component->Name()))
        field->set(this, nullptr);
    components_.erase(std::remove(components_.begin(), components_.end(), component),
                      components_.end());
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
    state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::SetLoading(bool loading) {
    if (loading)
        state_.Include(csLoading).Include(csReading);
    else
        state_.Exclude(csLoading).Exclude(csReading);
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Pass it on to everything owned, so siblings holding the component clear it too.
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (i < ComponentCount())
            components_[i]->Notification(component, operation);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        RemoveComponent(last);
        delete last;
    }
}

int TCollectionItem::Index() const {
    return collection_ ? collection_->IndexOf(this) : -1;
}

AnsiString TCollectionItem::DisplayName() const {
    return AnsiString(ClassName());
}

void TCollectionItem::Changed() {
    if (collection_)
        collection_->Update(this);
}

TCollection::TCollection(TPersistent* owner, ItemFactory factory)
    : owner_(owner), factory_(std::move(factory)) {}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Add() {
    items_.push_back(factory_());
    TCollectionItem* item = items_.back().get();
    item->collection_ = this;
    item->Added();
    Update(nullptr);
    return item;
}

void TCollection::Delete(int index) {
    items_.erase(items_.begin() + index);
    Update(nullptr);
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    items_.clear();
    Update(nullptr);
}

int TCollection::IndexOf(const TCollectionItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void TCollection::Update(TCollectionItem* item) {
    if (OnUpdate)
        OnUpdate(item);
}

const TClassInfo& TObject::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Root("TObject");
    return info;
}

const TClassInfo& TPersistent::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TPersistent, TObject>("TPersistent");
    return info;
}

const TClassInfo& TComponent::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TComponent, TPersistent>("TComponent")
                                       .Property("Tag", &TComponent::SetTag);
    return info;
}

const TClassInfo& TCollectionItem::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TCollectionItem, TPersistent>("TCollectionItem");
    return info;
}

const TClassInfo& TCollection::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TCollection, TPersistent>("TCollection");
    return info;
}
