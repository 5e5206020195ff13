#pragma once
// The events the message loop waits on: one per watched folder, set when it changed.
#include <windows.h>

#include <vector>

#include "platform/UnObservaPastas.h"

namespace UnObservaPastas {

// A wait beside the message queue takes MAXIMUM_WAIT_OBJECTS - 1 handles: the folders beyond
// are left to the tick.
inline constexpr size_t LIMITE_PASTAS = MAXIMUM_WAIT_OBJECTS - 1;

std::vector<HANDLE> Eventos(const ObservaPastas& observador);

}  // namespace UnObservaPastas
