#pragma once
// Conflicts with another user's uncommitted change: the NOWAIT transaction fails at once,
// and the same statement succeeds once that user commits.
#include <exception>

namespace UnConflitos {

bool EhConflitoTransitorio(const std::exception& erro);

}  // namespace UnConflitos
