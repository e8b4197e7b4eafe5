// The roots of the class library: objects, persistent objects, components with
// owners and names, small sets, and events as bound callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A set of up to 32 values of an enumeration, as the windows' settings use them.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= Bit(e);
    }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr TSet& Include(E e) { bits_ |= Bit(e); return *this; }
    constexpr TSet& Exclude(E e) { bits_ &= ~Bit(e); return *this; }
    constexpr TSet& Set(E e, bool on) { return on ? Include(e) : Exclude(e); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    static constexpr TSet FromBits(std::uint32_t bits) { TSet s; s.bits_ = bits; return s; }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(TSet o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(TSet o) const { return bits_ != o.bits_; }

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t bits_ = 0;
};

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
};

// Events: a bound callback fired with the control as sender; firing an unset
// event does nothing.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Binds a member function of an object as an event handler:
//   StartButton->OnClick = Bind(this, &TMain::StartButtonClick);
template <class T, class R, class... A>
std::function<R(A...)> Bind(T* object, R (T::*method)(A...)) {
    return [object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); };
}

template <class F, class... A>
void Fire(const F& event, A&&... args) {
    if (event) event(std::forward<A>(args)...);
}

// An object whose published properties can be copied to another of its kind.
class TPersistent : public TObject {
public:
    virtual void Assign(const TPersistent* source);
};

enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying };
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

// A component has an owner that destroys it, owns the components created with
// it as owner, and is told when a component it cares about goes away.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* GetOwner() const { return owner_; }
    const std::string& GetName() const { return name_; }
    virtual void SetName(const std::string& name);
    std::intptr_t GetTag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* GetComponent(int index) const { return components_[static_cast<std::size_t>(index)]; }
    TComponent* FindComponent(const std::string& name) const;

    TComponentState GetComponentState() const { return state_; }
    bool IsLoading() const { return state_.Contains(csLoading); }
    bool IsDestroying() const { return state_.Contains(csDestroying); }
    // Marks the component as being read from a window definition. EndLoading,
    // called on the form when its definition is applied, calls Loaded on it
    // and on every owned component that is still marked.
    void BeginLoading();
    void EndLoading();

    // Asks to be told (Notification with opRemove) when component is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

protected:
    // Called once the window definition that created the component is applied.
    virtual void Loaded();
    // Called when a component is inserted into or removed from the owner's
    // list, or a component asked for with FreeNotification is destroyed.
    virtual void Notification(TComponent* component, TOperation operation);
    void SetDestroying() { state_.Include(csDestroying); }
    void SetComponentState(TComponentStateItem item, bool on) { state_.Set(item, on); }

private:
    void DestroyComponents();
    void LoadedRecursive();

    TComponent* owner_ = nullptr;
    std::string name_;
    std::intptr_t tag_ = 0;
    TComponentState state_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};
