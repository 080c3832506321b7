// The assign-from-another-object protocol shared by documents and nodes.
#pragma once

namespace vxml {

class TPersistent {
public:
  virtual ~TPersistent() = default;
  // Copies Source into this object; a source of an unrelated kind (or none) raises
  // EConvertError "Cannot assign a <source> to a <this>".
  virtual void Assign(const TPersistent* aSource);
  virtual const char* ClassName() const = 0;

protected:
  [[noreturn]] void AssignError(const TPersistent* aSource) const;
};

} // namespace vxml
