#include "DescriptionReader.h"

#include "SysUtils.h"
#include "TypeInfo.h"
#include "WinControl.h"

#include "winapi/kernel32.h"

#include <map>
#include <set>
#include <strings.h>

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = path.find('.', start);
        parts.push_back(path.substr(start, dot - start));
        if (dot == std::string::npos)
            return parts;
        start = dot + 1;
    }
}

bool IsNil(const TValue& value) {
    return value.kind == TValue::Kind::Ident && strcasecmp(value.text.c_str(), "nil") == 0;
}

class Reader {
public:
    explicit Reader(TComponent* root) : root_(root) {}

    void Read(const TObjectDescription& description) {
        const TClassInfo& rootClass = root_->ClassInfo();
        if (strcasecmp(rootClass.Name().c_str(), description.className.c_str()) != 0)
            throw EReadError("Description of " + description.className + " given to " +
                             rootClass.Name());
        loaded_.push_back(root_);
        rootName_ = description.name;
        root_->SetLoading(true);
        try {
            root_->SetName(UniqueRootName(description.name));
            ReadBody(root_, description);
            ResolveReferences();
        } catch (...) {
            for (TComponent* c : loaded_)
                c->SetLoading(false);
            throw;
        }
        for (TComponent* c : loaded_)
            c->SetLoading(false);
        for (TComponent* c : loaded_)
            c->Loaded();
    }

private:
    // A second instance of a form class gets Name_1, Name_2, ... beside the first.
    std::string UniqueRootName(const std::string& name) const {
        TComponent* owner = root_->Owner();
        if (!owner || !owner->FindComponent(name) || owner->FindComponent(name) == root_)
            return name;
        for (int i = 1;; ++i) {
            std::string candidate = name + "_" + std::to_string(i);
            if (!owner->FindComponent(candidate))
                return candidate;
        }
    }

    struct Fixup {
        TObject* instance;
        const TPropertyInfo* property;
        std::string name;
    };

    void ReadBody(TComponent* component, const TObjectDescription& description) {
        for (const TPropertyDescription& p : description.properties)
            Apply(component, p);
        auto* parent = dynamic_cast<TWinControl*>(component);
        for (const TObjectDescription& child : description.children)
            ReadChild(parent, child);
    }

    void ReadChild(TWinControl* parent, const TObjectDescription& description) {
        const TClassInfo* cls = FindClassInfo(description.className);
        if (!cls || !cls->CanCreate())
            throw EReadError("Class " + description.className + " not found");
        TComponent* component = cls->Create(root_);
        component->SetLoading(true);
        loaded_.push_back(component);
        component->SetName(description.name);
        if (const TFieldInfo* field = root_->ClassInfo().FindField(description.name))
            field->set(root_, component);
        if (auto* control = dynamic_cast<TControl*>(component); control && parent)
            control->SetParent(parent);
        ReadBody(component, description);
    }

    void Apply(TObject* target, const TPropertyDescription& p) {
        std::vector<std::string> path = SplitPath(p.name);
        for (size_t i = 0; i + 1 < path.size(); ++i) {
            const TPropertyInfo* sub = target->ClassInfo().FindProperty(path[i]);
            if (!sub || sub->kind != TPropertyKind::Object)
                throw EReadError("Property " + p.name + " does not exist");
            target = sub->object(target);
        }
        const TPropertyInfo* info = target->ClassInfo().FindProperty(path.back());
        if (!info)
            throw EReadError("Property " + p.name + " does not exist");
        switch (info->kind) {
        case TPropertyKind::Value:
            info->set(target, p.value);
            break;
        case TPropertyKind::Object:
            throw EReadError("Property " + p.name + " takes no value");
        case TPropertyKind::Collection: {
            if (p.value.kind != TValue::Kind::Collection)
                ThrowInvalidValue();
            TCollection* collection = info->collection(target);
            collection->Clear();
            for (const TItemDescription& item : p.value.items) {
                TCollectionItem* added = collection->Add();
                for (const TPropertyDescription& ip : item.properties)
                    Apply(added, ip);
            }
            break;
        }
        case TPropertyKind::Reference:
            if (IsNil(p.value))
                info->reference(target, nullptr);
            else if (p.value.kind == TValue::Kind::Ident)
                fixups_.push_back({target, info, p.value.text});
            else
                ThrowInvalidValue();
            break;
        case TPropertyKind::Event: {
            if (p.value.kind != TValue::Kind::Ident)
                ThrowInvalidValue();
            const TMethodInfo* method = root_->ClassInfo().FindMethod(p.value.text);
            if (!method)
                throw EReadError("Method " + p.value.text + " not found");
            if (method->type != info->eventType)
                throw EReadError("Method " + p.value.text + " does not fit " + p.name);
            info->event(target, method->bind(root_));
            break;
        }
        }
    }

    void ResolveReferences() {
        for (const Fixup& f : fixups_) {
            TComponent* target = strcasecmp(f.name.c_str(), rootName_.c_str()) == 0
                                     ? root_
                                     : root_->FindComponent(f.name);
            if (!target)
                throw EReadError("Unresolved reference to " + f.name);
            f.property->reference(f.instance, target);
        }
    }

    TComponent* root_;
    std::string rootName_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

class Validator {
public:
    std::vector<std::string> Check(const TObjectDescription& root) {
        rootClass_ = FindClassInfo(root.className);
        if (!rootClass_) {
            Problem(root.line, "class " + root.className + " is not registered");
            return problems_;
        }
        CollectNames(root);
        CheckBody(*rootClass_, root);
        for (const TFieldInfo* field : rootClass_->Fields()) {
            auto it = names_.find(UpperCase(field->name));
            if (it == names_.end())
                Problem(root.line, rootClass_->Name() + "." + field->name + " has no component");
            else if (!it->second->InheritsFrom(field->type()))
                Problem(root.line, field->name + " is not a " + field->type().Name());
        }
        return problems_;
    }

private:
    void CollectNames(const TObjectDescription& d) {
        if (const TClassInfo* cls = FindClassInfo(d.className)) {
            if (!names_.emplace(UpperCase(d.name), cls).second)
                Problem(d.line, "the name " + d.name + " is used twice");
        }
        for (const TObjectDescription& child : d.children)
            CollectNames(child);
    }

    void CheckBody(const TClassInfo& cls, const TObjectDescription& d) {
        for (const TPropertyDescription& p : d.properties)
            CheckProperty(cls, p);
        for (const TObjectDescription& child : d.children) {
            const TClassInfo* childClass = FindClassInfo(child.className);
            if (!childClass || !childClass->CanCreate()) {
                Problem(child.line, "class " + child.className + " is not registered");
                continue;
            }
            CheckBody(*childClass, child);
        }
    }

    void CheckProperty(const TClassInfo& owner, const TPropertyDescription& p) {
        std::vector<std::string> path = SplitPath(p.name);
        const TClassInfo* cls = &owner;
        for (size_t i = 0; i + 1 < path.size(); ++i) {
            const TPropertyInfo* sub = cls->FindProperty(path[i]);
            if (!sub || sub->kind != TPropertyKind::Object) {
                Problem(p.line, cls->Name() + " has no property " + p.name);
                return;
            }
            cls = &sub->target();
        }
        const TPropertyInfo* info = cls->FindProperty(path.back());
        if (!info) {
            Problem(p.line, owner.Name() + " has no property " + p.name);
            return;
        }
        switch (info->kind) {
        case TPropertyKind::Value:
            try {
                info->check(p.value);
            } catch (const Exception&) {
                Problem(p.line, "invalid value for " + p.name);
            }
            break;
        case TPropertyKind::Object:
            Problem(p.line, p.name + " takes no value of its own");
            break;
        case TPropertyKind::Collection:
            if (p.value.kind != TValue::Kind::Collection) {
                Problem(p.line, p.name + " needs a collection");
                break;
            }
            for (const TItemDescription& item : p.value.items)
                for (const TPropertyDescription& ip : item.properties)
                    CheckProperty(info->target(), ip);
            break;
        case TPropertyKind::Reference: {
            if (IsNil(p.value))
                break;
            if (p.value.kind != TValue::Kind::Ident) {
                Problem(p.line, p.name + " needs a component name");
                break;
            }
            auto it = names_.find(UpperCase(p.value.text));
            if (it == names_.end())
                Problem(p.line, "no component named " + p.value.text);
            else if (!it->second->InheritsFrom(info->target()))
                Problem(p.line, p.value.text + " is not a " + info->target().Name());
            break;
        }
        case TPropertyKind::Event: {
            const TMethodInfo* method = p.value.kind == TValue::Kind::Ident
                                            ? rootClass_->FindMethod(p.value.text)
                                            : nullptr;
            if (!method)
                Problem(p.line, rootClass_->Name() + " has no handler " + p.value.text);
            else if (method->type != info->eventType)
                Problem(p.line, "handler " + p.value.text + " does not fit " + p.name);
            break;
        }
        }
    }

    void Problem(int line, const std::string& text) {
        problems_.push_back("line " + std::to_string(line) + ": " + text);
    }

    const TClassInfo* rootClass_ = nullptr;
    std::map<std::string, const TClassInfo*> names_;
    std::vector<std::string> problems_;
};

} // namespace

void ReadComponent(TComponent* root, const TObjectDescription& description) {
    Reader(root).Read(description);
}

void ReadComponentResource(TComponent* root) {
    std::string name = UpperCase(std::string(root->ClassName()));
    HRSRC resource = FindResourceA(nullptr, name.c_str(), RT_RCDATA);
    HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        throw EReadError("Resource " + name + " not found");
    DWORD size = SizeofResource(nullptr, resource);
    ReadComponent(root,
                  ReadBinaryDescription(std::span(static_cast<const std::uint8_t*>(bytes), size)));
}

std::vector<std::string> ValidateDescription(const TObjectDescription& description) {
    return Validator().Check(description);
}
