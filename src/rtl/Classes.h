// Objects, persistent objects, components and collections.
//
// A TComponent has an owner and a name. The owner frees what it owns when it is freed, last
// created first. A component that keeps a pointer to another component it does not own calls
// `other->FreeNotification(this)` when it takes the pointer and overrides Notification to clear
// it on opRemove; components with the same owner are told anyway (the owner passes every
// removal on to all it owns). Loaded() runs once a stored description has been read whole.
//
// Every class that a stored description may name, or whose properties it may set, declares
// DECLARE_CLASS_INFO in its body and defines StaticClassInfo() in its .cpp (see TypeInfo.h).
#pragma once

#include "SysUtils.h"
#include "Types.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class TClassInfo;

#define DECLARE_CLASS_INFO                                                                         \
    static const TClassInfo& StaticClassInfo();                                                    \
    const TClassInfo& ClassInfo() const override {                                                 \
        return StaticClassInfo();                                                                  \
    }

class TObject {
public:
    virtual ~TObject() = default;
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    std::string_view ClassName() const;
    bool InheritsFrom(const TClassInfo& ancestor) const;
};

class TPersistent : public TObject {
public:
    DECLARE_CLASS_INFO
    // Copies the state of source; the default raises "Cannot assign a X to a Y".
    virtual void Assign(const TPersistent* source);
};

enum TOperation { opInsert, opRemove };
enum TComponentStateItem { csLoading, csReading, csDestroying, csFreeNotification };
using TComponentState = Set<TComponentStateItem>;

class TComponent : public TPersistent {
public:
    DECLARE_CLASS_INFO
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const AnsiString& Name() const { return name_; }
    // Names are unique among the components of one owner (compared without regard to case);
    // a duplicate raises "A component named X already exists".
    virtual void SetName(const AnsiString& name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(index); }
    // The owned component with that name (without regard to case), or nullptr.
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Asks for `component` to be told (Notification with opRemove) when this one is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return state_; }
    void SetLoading(bool loading);
    // Run by the description reader after every reference of the description is resolved.
    virtual void Loaded();

protected:
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void DestroyComponents();

    TComponent* owner_ = nullptr;
    AnsiString name_;
    int tag_ = 0;
    TComponentState state_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

class TCollection;

class TCollectionItem : public TPersistent {
public:
    DECLARE_CLASS_INFO
    TCollection* Collection() const { return collection_; }
    int Index() const;
    virtual AnsiString DisplayName() const;

protected:
    // Runs once the item is in its collection, so Index() is valid.
    virtual void Added() {}
    // Tells the collection that this item's contents changed.
    void Changed();

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

// A list of owned items of one class. Subclasses give the factory for their item class.
class TCollection : public TPersistent {
public:
    DECLARE_CLASS_INFO
    using ItemFactory = std::function<std::unique_ptr<TCollectionItem>()>;
    TCollection(TPersistent* owner, ItemFactory factory);
    ~TCollection() override;

    TPersistent* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const { return items_.at(index).get(); }
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TCollectionItem* item) const;
    // Called after an item was added, removed or changed (nullptr: the whole list).
    std::function<void(TCollectionItem*)> OnUpdate;

private:
    void Update(TCollectionItem* item);
    friend class TCollectionItem;

    TPersistent* owner_;
    ItemFactory factory_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
};

// An error raised by the stored-description machinery and the class registry.
class EReadError : public Exception {
public:
    using Exception::Exception;
};
