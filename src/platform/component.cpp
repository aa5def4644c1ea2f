#include "platform/component.h"

namespace vaultora {

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  // Free owned components newest first; each removes itself from the list.
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    child->FComponentState |= csDestroying;
    delete child;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

}  // namespace vaultora
