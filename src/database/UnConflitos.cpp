#include "database/UnConflitos.h"

#include <algorithm>

#include "database/UnFirebird.h"

namespace UnConflitos {

namespace {

constexpr long ISC_DEADLOCK = 335544336;
constexpr long ISC_LOCK_CONFLICT = 335544345;
constexpr long ISC_UPDATE_CONFLICT = 335544451;
constexpr long ISC_LOCK_TIMEOUT = 335544510;

}  // namespace

bool EhConflitoTransitorio(const std::exception& erro) {
  const auto* banco = dynamic_cast<const UnFirebird::EIBError*>(&erro);
  if (!banco) return false;
  const auto& codigos = banco->Codigos();
  return std::any_of(codigos.begin(), codigos.end(), [](long c) {
    return c == ISC_DEADLOCK || c == ISC_LOCK_CONFLICT || c == ISC_UPDATE_CONFLICT ||
           c == ISC_LOCK_TIMEOUT;
  });
}

}  // namespace UnConflitos
