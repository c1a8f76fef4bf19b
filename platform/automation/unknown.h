// Reference-counted objects and interface lookup by identifier.
//
// An interface is a struct of pure virtual functions deriving from IUnknown (or another interface),
// carrying its identifier as `static constexpr IID kIid`. An object derives from Object<Self, Bases...>,
// where Bases are interfaces or classes implementing them, and lists what QueryInterface answers in
// `using Interfaces = InterfaceList<I1, I2, ...>` (IUnknown is answered through the first).
#pragma once
#include <atomic>
#include <utility>
#include "platform/automation/guid.h"

struct IUnknown {
    static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID iid, void **out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};
inline constexpr IID IID_IUnknown = IUnknown::kIid;

namespace qs::automation {

template <class... I>
struct InterfaceList {};

namespace detail {
template <class Self, class I>
void *Match(Self *self, REFIID iid) {
    return iid == I::kIid ? static_cast<void *>(static_cast<I *>(self)) : nullptr;
}
template <class Self, class First, class... Rest>
void *FindInterface(Self *self, REFIID iid, InterfaceList<First, Rest...>) {
    if (iid == IUnknown::kIid) return static_cast<IUnknown *>(static_cast<First *>(self));
    void *found = nullptr;
    (void)((found = Match<Self, First>(self, iid)) || ... || (found = Match<Self, Rest>(self, iid)));
    return found;
}
}  // namespace detail

template <class Self, class... Bases>
class Object : public Bases... {
public:
    HRESULT QueryInterface(REFIID iid, void **out) override {
        if (!out) return E_POINTER;
        *out = detail::FindInterface(static_cast<Self *>(this), iid, typename Self::Interfaces{});
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete static_cast<Self *>(this);
        return left;
    }

protected:
    Object() = default;
    virtual ~Object() = default;
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

private:
    std::atomic<ULONG> refs_{1};  // the creator holds the first reference
};

// Holds one interface reference.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T *p) : p_(p) {  // adds a reference
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr &other) : ComPtr(other.p_) {}
    ComPtr(ComPtr &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr &operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    static ComPtr Attach(T *p) {  // takes a reference the caller holds
        ComPtr c;
        c.p_ = p;
        return c;
    }
    T *Detach() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (T *p = std::exchange(p_, nullptr)) p->Release();
    }
    T *get() const { return p_; }
    T *operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Releases the current reference and returns the slot for an out argument.
    T **Out() {
        Reset();
        return &p_;
    }
    void **OutVoid() { return reinterpret_cast<void **>(Out()); }
    template <class U>
    HRESULT As(ComPtr<U> *other) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(U::kIid, other->OutVoid());
    }

private:
    T *p_ = nullptr;
};

// Creates a T (reference count 1) and asks it for `iid`.
template <class T, class... Args>
HRESULT CreateObject(REFIID iid, void **out, Args &&...args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    T *object = new T(std::forward<Args>(args)...);
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

}  // namespace qs::automation
