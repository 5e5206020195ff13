# Sourced by testa-windows.sh and captura-tela.sh: which Windows build Wine runs on this
# machine, its prefix, the Brazilian workstation's locale and a virtual screen.
#
# The product is the 32-bit build (build-win), run by the 32-bit Wine. Where the kernel runs
# 64-bit code only (ia32_emulation off), the 32-bit Wine runs through qemu-i386 10 from the
# backports suite (qemu-i386.sh, emula-i386.sh), and EMULADOR holds the command every Wine run
# then goes through; MONITOR_EMULA_I386=0 turns that off. Where neither can be had, the same
# sources built for x86-64 (build-win64) run under the 64-bit Wine. Without a 32-bit Wine on the
# machine, testa-windows.sh runs under raiz-i386.sh, which lays one over /usr for the run alone.

NUCLEOS=$(nproc 2>/dev/null || echo 2)

# Whether the 32-bit Wine starts through qemu-i386 (fetched the first time).
emulacao_funciona() {
  [ "${MONITOR_EMULA_I386:-}" != 0 ] && bash "$RAIZ/scripts/qemu-i386.sh" prepara &&
    "$@" bash "$RAIZ/scripts/emula-i386.sh" /usr/lib/wine/wine --version >/dev/null 2>&1
}

configura_windows() {  # build folder, toolchain file
  cmake -S "$RAIZ" -B "$RAIZ/$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$RAIZ/cmake/$2" \
    -DCMAKE_BUILD_TYPE=Release -DMONITOR_SO_NUCLEO=OFF -DMONITOR_TESTES=ON -DMONITOR_AVISOS_ERRO=ON >/dev/null
}

# Without a 32-bit Wine on the machine, runs the script again where one is laid over /usr for
# it alone (raiz-i386.sh).
entra_raiz_i386() {  # the script, from the checkout; its arguments
  [ ! -x /usr/lib/wine/wine ] && [ -z "${MONITOR_RAIZ_I386:-}" ] || return 0
  echo "== 32-bit Wine from Debian's i386 packages, for this run alone"
  # Where no namespace can be made (a container without the right), or neither the kernel nor
  # qemu runs 32-bit code, the stage goes on without it.
  local raiz=(bash "$RAIZ/scripts/raiz-i386.sh" executa)
  if bash "$RAIZ/scripts/raiz-i386.sh" prepara &&
    { "${raiz[@]}" /usr/lib/wine/wine --version >/dev/null 2>&1 || emulacao_funciona "${raiz[@]}"; }; then
    # /usr is read-only there.
    localidade_brasileira
    exec "${raiz[@]}" bash "$RAIZ/$1" "${@:2}"
  fi
  echo "(the 32-bit Wine from the i386 packages cannot run here)"
}

escolhe_wine() {
  EMULADOR=()
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    PASTA_WINE=build-win
  elif [ -x /usr/lib/wine/wine ] && emulacao_funciona; then
    echo "(32-bit programs do not run on this kernel: the 32-bit Wine runs through qemu-i386" \
      "$("$(bash "$RAIZ/scripts/qemu-i386.sh" caminho)" --version | head -1 | awk '{print $3}'))"
    EMULADOR=(bash "$RAIZ/scripts/emula-i386.sh")
    PASTA_WINE=build-win
  elif [ -x /usr/lib/wine/wine ]; then
    echo "(32-bit programs do not run on this kernel and qemu-i386 10 could not be had or run" \
      "here: the x86-64 build runs under the 64-bit Wine instead)"
    PASTA_WINE=build-win64
  else
    echo "(no 32-bit Wine on this machine: the x86-64 build runs under the 64-bit Wine instead)"
    PASTA_WINE=build-win64
  fi
  if [ "$PASTA_WINE" = build-win ]; then
    export WINE=/usr/lib/wine/wine WINEARCH=win32
  else
    export WINE=/usr/lib/wine/wine64 WINEARCH=win64
  fi
  export WINEPREFIX="$RAIZ/$PASTA_WINE/prefixo"
  export WINEDEBUG=-all
  # No Mono or Gecko: nothing here uses them, and nothing may be downloaded. No debugger
  # either: a program that crashes ends at once instead of waiting for one.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  localidade_brasileira
  export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
}

# Date, time and number formats of a Brazilian workstation; Wine takes them from glibc.
localidade_brasileira() {
  locale -a 2>/dev/null | grep -qix 'pt_BR.utf8' || localedef -i pt_BR -f UTF-8 pt_BR.UTF-8
}

# fbclient.dll for the tests: a Wine builtin DLL (tests/ponte-fbclient) that hands the client
# calls of the Windows build to the Linux client library of the same bitness. The library lives
# in the build folder and is found through WINEDLLPATH; what a program finds on its search path
# is Wine's placeholder of it, which the tests put beside the programs that are to have a client
# (testes_win32.exe here, MonitorCTe.exe in a test's ERP folder). Neither ever ships.
constroi_ponte_fbclient() {
  local bits=32
  [ "$PASTA_WINE" = build-win ] || bits=64
  local fontes="$RAIZ/tests/ponte-fbclient" destino="$RAIZ/$PASTA_WINE/ponte-fbclient"
  mkdir -p "$destino"
  # The export table, in the form Wine's tools take by its ending.
  cp "$fontes/fbclient.exportacoes" "$destino/fbclient.spec"
  winegcc -m$bits -shared -O2 -Wall -Wextra -Werror -o "$destino/fbclient.dll" \
    "$destino/fbclient.spec" "$fontes/UnPonteFbclient.c" -ldl
  winebuild -m$bits --dll --fake-module -E "$destino/fbclient.spec" -F fbclient.dll \
    -o "$RAIZ/$PASTA_WINE/fbclient.dll"
  export WINEDLLPATH="$destino"
}

prepara_prefixo() {
  [ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
}

encerra_wine() { /usr/lib/wine/wineserver -k 2>/dev/null || true; }
