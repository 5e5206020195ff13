#pragma once
// A condition that the cycle meets again at every tick (a flag file it cannot read, a process
// list it cannot take): the user hears of it once when it starts, and the log counts how many
// checks it lasted when it clears.
class TEpisodio {
 public:
  // The condition holds at this check; true only at the first check of an episode.
  bool Ocorre() { return iOcorrencias_++ == 0; }
  // The condition is gone: how many checks the episode lasted, 0 when none was running.
  int Termina() {
    const int iOcorrencias = iOcorrencias_;
    iOcorrencias_ = 0;
    return iOcorrencias;
  }

 private:
  int iOcorrencias_ = 0;
};
