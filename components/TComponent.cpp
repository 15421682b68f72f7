#include "components/TComponent.h"

#include <algorithm>

namespace tallyvane {

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr)
    AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  while (!FComponents.empty()) {
    TComponent* owned = FComponents.back();
    FComponents.pop_back();
    owned->FOwner = nullptr;
    delete owned;
  }
  if (FOwner != nullptr)
    FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this)
    return;
  if (AComponent->FOwner != nullptr)
    AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  const auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it == FComponents.end())
    return;
  FComponents.erase(it);
  AComponent->FOwner = nullptr;
}

}  // namespace tallyvane
