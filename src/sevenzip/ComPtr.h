// An owning reference to a COM-style interface: one count held, released when dropped.
#pragma once

#include <utility>

template <class T> class ComPtr {
public:
    ComPtr() = default;
    // Takes a new count on the object.
    explicit ComPtr(T* object) : object_(object) {
        if (object_)
            object_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a count that the caller already owns (an interface received through an out
    // parameter, for instance).
    static ComPtr Adopt(T* object) {
        ComPtr result;
        result.object_ = object;
        return result;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Drops the current reference and gives the slot for an out parameter to fill.
    T** Out() {
        Reset();
        return &object_;
    }
    void Reset() {
        if (object_)
            std::exchange(object_, nullptr)->Release();
    }

private:
    T* object_ = nullptr;
};
