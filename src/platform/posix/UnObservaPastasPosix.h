#pragma once
// The descriptor the console's poll waits on: readable when a watched folder changed.
#include "platform/UnObservaPastas.h"

namespace UnObservaPastas {

int Descritor(const ObservaPastas& observador);

}  // namespace UnObservaPastas
