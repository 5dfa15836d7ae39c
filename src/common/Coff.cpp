#include "Coff.h"

#include <utility>

Coff::Coff() = default;
Coff::Coff(const Coff& other) = default;
Coff::Coff(Coff&& other) noexcept = default;
Coff& Coff::operator=(Coff&& other) noexcept = default;
Coff::~Coff() = default;

Coff& Coff::operator=(const Coff& other) {
  if (this != &other) {
    Coff copy(other);
    *this = std::move(copy);
  }
  return *this;
}
