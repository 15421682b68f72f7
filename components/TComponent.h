#pragma once
// Owned components: a component created with an owner is freed by that owner,
// and one freed earlier leaves its owner's list. A class reference
// (`TComponentClass`) creates an instance of the class it stands for, which is
// how the toolkit's virtual constructor is used.
#include <cstddef>
#include <vector>

namespace tallyvane {

class TComponent {
 public:
  // A component with an owner must be created with `new`: the owner deletes it.
  // Without an owner the creator frees it.
  explicit TComponent(TComponent* AOwner);
  // Frees every owned component, newest first, then leaves the owner.
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  std::size_t ComponentCount() const { return FComponents.size(); }
  TComponent* Components(std::size_t Index) const { return FComponents.at(Index); }

  // Moves `AComponent` into this component's ownership (from its previous owner).
  void InsertComponent(TComponent* AComponent);
  // Releases `AComponent` from this component's ownership; the caller frees it then.
  void RemoveComponent(TComponent* AComponent);

 private:
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
};

// A class reference: creates an instance of one component class, owned by AOwner.
using TComponentClass = TComponent* (*)(TComponent* AOwner);

// The class reference of T (T must be constructible from its owner alone).
template <class T>
TComponent* ConstructComponent(TComponent* AOwner) {
  return new T(AOwner);
}

}  // namespace tallyvane
