#include "ui/Component.h"

#include <algorithm>

#include "ui/SysUtils.h"

void TPersistent::Assign(const TPersistent*) {
    throw EConvertError("Cannot assign an object of another kind");
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_.Include(csDestroying);
    // Tell everyone who asked; each one forgets this component.
    while (!freeNotifies_.empty()) {
        TComponent* c = freeNotifies_.back();
        freeNotifies_.pop_back();
        c->RemoveFreeNotification(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    // Last created first, as a window definition is undone.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        Notification(c, opRemove);
        delete c;
    }
}

void TComponent::SetName(const std::string& name) { name_ = name; }

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : components_)
        if (ui::SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    Notification(component, opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), component));
    component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Owned components hear of it too, as a form's controls hear that a menu
    // they point to is going away.
    for (std::size_t i = components_.size(); i-- > 0;)
        if (i < components_.size() && components_[i] != component) components_[i]->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), component);
    if (it == freeNotifies_.end()) return;
    freeNotifies_.erase(it);
    component->RemoveFreeNotification(this);
}

void TComponent::BeginLoading() {
    state_.Include(csLoading);
    state_.Include(csReading);
}

void TComponent::EndLoading() { LoadedRecursive(); }

void TComponent::LoadedRecursive() {
    // What the definition created is finished first, then the component itself.
    std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned) c->LoadedRecursive();
    if (state_.Contains(csLoading)) {
        state_.Exclude(csReading);
        Loaded();
    }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }
