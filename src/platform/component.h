#pragma once
// The minimal component model: an owner frees the components it owns; a component fires no
// event while it is being loaded, designed or destroyed. Components are used by one thread.

#include <algorithm>
#include <utility>
#include <vector>

namespace vaultora {

enum TComponentStateFlag : unsigned {
  csLoading = 1,
  csDestroying = 2,
  csDesigning = 4,
};

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::vector<TComponent*>& Components() const { return FComponents; }
  unsigned ComponentState() const { return FComponentState; }

  void BeginLoading() { FComponentState |= csLoading; }
  void EndLoading() { FComponentState &= ~static_cast<unsigned>(csLoading); }

  // True when events may fire: not loading, designing or being destroyed.
  bool CanFireEvents() const {
    return (FComponentState & (csLoading | csDestroying | csDesigning)) == 0;
  }

  // The first owned component of class T, or nullptr.
  template <class T>
  T* FindComponentOfClass() const {
    for (TComponent* c : FComponents)
      if (auto* found = dynamic_cast<T*>(c)) return found;
    return nullptr;
  }

 protected:
  // Derived destructors call this first, so that nothing they tear down fires an event.
  void Destroying() { FComponentState |= csDestroying; }

  // Fires an event (a std::function member) when it is assigned and events may fire. The
  // handler runs from a copy, so that it may reassign the event (a window putting back the
  // handlers it replaced) while it runs.
  template <class Event, class... Args>
  void Fire(const Event& event, Args&&... args) const {
    if (!event || !CanFireEvents()) return;
    const Event handler = event;
    handler(std::forward<Args>(args)...);
  }

 private:
  void InsertComponent(TComponent* child) { FComponents.push_back(child); }
  void RemoveComponent(TComponent* child) {
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), child),
                      FComponents.end());
  }

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  unsigned FComponentState = 0;
};

}  // namespace vaultora
