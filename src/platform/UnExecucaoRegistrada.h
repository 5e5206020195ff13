#pragma once
// Starting a program together with the renaming of the file that records the start, so that
// a process ended at any moment leaves both done or neither, as far as the system allows.
#include <functional>
#include <string>

namespace UnExecucaoRegistrada {

// Gives `temporario` the name `definitivo` and runs `inicia`, which starts a program, as one
// step; the result is that of `inicia`, which runs also when the renaming fails. On POSIX a
// child of this process does both once it exists: an end of this process before then leaves
// neither done, one after it both. On Windows the renaming follows the start, so an end in
// between leaves the program started and the record without it.
bool ExecutaRenomeando(const std::function<bool()>& inicia, const std::string& temporario,
                       const std::string& definitivo);

}  // namespace UnExecucaoRegistrada
