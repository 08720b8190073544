// Class and property registration: what a stored description may create and set.
//
// How a class registers itself (example for a control with a picture list reference):
//
//   // MyView.h
//   class TMyView : public TGraphicControl {
//   public:
//       DECLARE_CLASS_INFO
//       explicit TMyView(TComponent* owner);            // factories call this constructor
//       void SetImageIndex(int value);
//       void SetImages(TMyList* value);                  // reference: FreeNotification + clear
//       TFont* DefaultFont() const;                      // sub-object: Font.Name etc.
//       TNotifyEvent OnMouseEnter;                       // event: a std::function field
//   };
//
//   // MyView.cpp
//   const TClassInfo& TMyView::StaticClassInfo() {
//       static const TClassInfo info = TClassInfo::Define<TMyView, TGraphicControl>("TMyView")
//           .Property("ImageIndex", &TMyView::SetImageIndex)
//           .Reference("Images", &TMyView::SetImages)
//           .Object("DefaultFont", &TMyView::DefaultFont)
//           .Event("OnMouseEnter", &TMyView::OnMouseEnter);
//       return info;
//   }
//
// and, once at start, RegisterClass(TMyView::StaticClassInfo()) (a library registers all of
// its classes from one function, e.g. RegisterSkinClasses(); the framework's own controls are
// registered on first lookup). Properties of base classes are inherited. Value setters take
// int, bool, AnsiString, TColor, TCursor, TBytes (binary block), an enumeration with an
// EnumNameTable overload, or a Set of one. Collections name their item class:
// .Collection<TMyItem>("Items", &TMyList::Items). A form class lists its event handlers with
// .Method("Image2Click", &TForm1::Image2Click); a description binding a handler the root class
// does not list, or one of a different signature, is refused by the form compiler. It names
// its component fields with .Field("Image1", &TForm1::Image1): they are set when the
// description creates the component of that name and cleared when the component is freed.
#pragma once

#include "Classes.h"
#include "StoredDescription.h"

#include <any>
#include <concepts>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

// Event types: every handler is a std::function bound to its form.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Converting a stored value to a property's type; raises EReadError "Invalid property value".
template <class T> struct ValueOf;

template <> struct ValueOf<int> { static int From(const TValue& value); };
template <> struct ValueOf<bool> { static bool From(const TValue& value); };
template <> struct ValueOf<AnsiString> { static AnsiString From(const TValue& value); };
template <> struct ValueOf<TColor> { static TColor From(const TValue& value); };
template <> struct ValueOf<TCursor> { static TCursor From(const TValue& value); };
template <> struct ValueOf<TBytes> { static TBytes From(const TValue& value); };

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires(E e) {
    { EnumNameTable(e) } -> std::convertible_to<NameTable>;
};

// Index of an identifier in a name table (without regard to case), or -1.
int FindName(NameTable names, std::string_view ident);
[[noreturn]] void ThrowInvalidValue();

template <NamedEnum E> struct ValueOf<E> {
    static E From(const TValue& value) {
        if (value.kind != TValue::Kind::Ident)
            ThrowInvalidValue();
        int index = FindName(EnumNameTable(E{}), value.text);
        if (index < 0)
            ThrowInvalidValue();
        return static_cast<E>(index);
    }
};

template <NamedEnum E> struct ValueOf<Set<E>> {
    static Set<E> From(const TValue& value) {
        if (value.kind != TValue::Kind::Set)
            ThrowInvalidValue();
        Set<E> result;
        for (const std::string& name : value.names) {
            int index = FindName(EnumNameTable(E{}), name);
            if (index < 0)
                ThrowInvalidValue();
            result.Include(static_cast<E>(index));
        }
        return result;
    }
};

class TClassInfo;
using ClassInfoGetter = const TClassInfo& (*)();

enum class TPropertyKind { Value, Object, Collection, Reference, Event };

struct TPropertyInfo {
    std::string name;
    TPropertyKind kind = TPropertyKind::Value;
    std::function<void(const TValue&)> check;         // Value: raises on a bad value
    std::function<void(TObject*, const TValue&)> set; // Value
    ClassInfoGetter target = nullptr; // Object: its class; Collection: item class; Reference
    std::function<TPersistent*(TObject*)> object;
    std::function<TCollection*(TObject*)> collection;
    std::function<void(TObject*, TComponent*)> reference;
    std::type_index eventType = typeid(void);
    std::function<void(TObject*, const std::any&)> event;
};

// A field of a form class that points at one of its components, bound by component name
// when the form's description is read and cleared when that component is freed.
struct TFieldInfo {
    std::string name;
    ClassInfoGetter type = nullptr;
    std::function<void(TObject* owner, TComponent* component)> set;
};

struct TMethodInfo {
    std::string name;
    std::type_index type = typeid(void);
    std::function<std::any(TObject*)> bind; // the handler bound to an instance
};

class TClassInfo {
public:
    using Factory = std::function<TComponent*(TComponent* owner)>;

    // Starts the description of class T derived from Base. Components constructible from an
    // owner get a factory, so descriptions can create them.
    template <class T, class Base> static TClassInfo Define(std::string name) {
        TClassInfo info(std::move(name), &Base::StaticClassInfo());
        if constexpr (std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>)
            info.factory_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
        return info;
    }
    static TClassInfo Root(std::string name) { return TClassInfo(std::move(name), nullptr); }

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& ancestor) const;
    bool CanCreate() const { return static_cast<bool>(factory_); }
    TComponent* Create(TComponent* owner) const { return factory_(owner); }
    // Searches this class and its ancestors, without regard to case.
    const TPropertyInfo* FindProperty(std::string_view name) const;
    const TMethodInfo* FindMethod(std::string_view name) const;
    const TFieldInfo* FindField(std::string_view name) const;
    // The fields of this class and its ancestors.
    std::vector<const TFieldInfo*> Fields() const;

    template <class C, class A> TClassInfo& Property(std::string name, void (C::*setter)(A)) {
        using T = std::remove_cvref_t<A>;
        TPropertyInfo p;
        p.name = std::move(name);
        p.check = [](const TValue& v) { (void)ValueOf<T>::From(v); };
        p.set = [setter](TObject* o, const TValue& v) {
            (Cast<C>(o)->*setter)(ValueOf<T>::From(v));
        };
        return Add(std::move(p));
    }

    template <class C, class O> TClassInfo& Object(std::string name, O* (C::*getter)() const) {
        TPropertyInfo p;
        p.name = std::move(name);
        p.kind = TPropertyKind::Object;
        p.target = &O::StaticClassInfo;
        p.object = [getter](TObject* o) -> TPersistent* { return (Cast<C>(o)->*getter)(); };
        return Add(std::move(p));
    }

    template <class Item, class C, class L>
    TClassInfo& Collection(std::string name, L* (C::*getter)() const) {
        TPropertyInfo p;
        p.name = std::move(name);
        p.kind = TPropertyKind::Collection;
        p.target = &Item::StaticClassInfo;
        p.collection = [getter](TObject* o) -> TCollection* { return (Cast<C>(o)->*getter)(); };
        return Add(std::move(p));
    }

    template <class C, class R> TClassInfo& Reference(std::string name, void (C::*setter)(R*)) {
        TPropertyInfo p;
        p.name = std::move(name);
        p.kind = TPropertyKind::Reference;
        p.target = &R::StaticClassInfo;
        p.reference = [setter](TObject* o, TComponent* value) {
            R* typed = value ? dynamic_cast<R*>(value) : nullptr;
            if (value && !typed)
                ThrowInvalidValue();
            (Cast<C>(o)->*setter)(typed);
        };
        return Add(std::move(p));
    }

    template <class C, class F> TClassInfo& Event(std::string name, F C::*field) {
        TPropertyInfo p;
        p.name = std::move(name);
        p.kind = TPropertyKind::Event;
        p.eventType = typeid(F);
        p.event = [field](TObject* o, const std::any& handler) {
            Cast<C>(o)->*field = std::any_cast<F>(handler);
        };
        return Add(std::move(p));
    }

    template <class C, class T> TClassInfo& Field(std::string name, T* C::*field) {
        TFieldInfo f;
        f.name = std::move(name);
        f.type = &T::StaticClassInfo;
        f.set = [field](TObject* o, TComponent* component) {
            T* typed = component ? dynamic_cast<T*>(component) : nullptr;
            if (component && !typed)
                ThrowInvalidValue();
            Cast<C>(o)->*field = typed;
        };
        fields_.push_back(std::move(f));
        return *this;
    }

    template <class C, class... A> TClassInfo& Method(std::string name, void (C::*method)(A...)) {
        using F = std::function<void(A...)>;
        TMethodInfo m;
        m.name = std::move(name);
        m.type = typeid(F);
        m.bind = [method](TObject* o) -> std::any {
            C* self = Cast<C>(o);
            return F([self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
        };
        methods_.push_back(std::move(m));
        return *this;
    }

private:
    TClassInfo(std::string name, const TClassInfo* parent)
        : name_(std::move(name)), parent_(parent) {}
    TClassInfo& Add(TPropertyInfo property) {
        properties_.push_back(std::move(property));
        return *this;
    }
    template <class C> static C* Cast(TObject* o) {
        C* c = dynamic_cast<C*>(o);
        if (!c)
            ThrowInvalidValue();
        return c;
    }

    std::string name_;
    const TClassInfo* parent_;
    Factory factory_;
    std::vector<TPropertyInfo> properties_;
    std::vector<TMethodInfo> methods_;
    std::vector<TFieldInfo> fields_;
};

// The registry of classes by name (without regard to case). Registering the same class again
// is harmless; another class under a registered name raises EReadError.
void RegisterClass(const TClassInfo& info);
const TClassInfo* FindClassInfo(std::string_view name);
