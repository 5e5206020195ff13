#!/usr/bin/env bash
# Screenshots for the documentation: the main window (docs/janela-principal.png), the same
# window while answers wait in Retorno (docs/janela-esperando.png) and the notice dialog with
# its acknowledgement box (docs/aviso.png), taken from the Windows program
# under Wine in a virtual desktop (where Wine draws the captions itself). Without a Firebird
# client the program shows why it cannot connect; that notice is answered first, so the window
# shows its counters at "0".
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
source scripts/wine-comum.sh
entra_raiz_i386 scripts/captura-tela.sh "$@"
escolhe_wine
PASTA="$RAIZ/$PASTA_WINE"
for alvo in MonitorCTe.exe captura_tela.exe; do
  [ -f "$PASTA/$alvo" ] || { echo "build $PASTA first (scripts/testa-windows.sh)" >&2; exit 1; }
done
mkdir -p docs

ERP=$(mktemp -d)
trap 'rm -rf "$ERP"' EXIT
mkdir -p "$ERP/Sistema" "$ERP/Dados"
cp "$PASTA/MonitorCTe.exe" "$ERP/Sistema/"
JANELAS_DADOS="Z:$(echo "$ERP/Dados" | tr / '\\')\\"
printf '[IniServidor]\r\nnomearquivo=%sservidor.ini\r\n' "$JANELAS_DADOS" >"$ERP/Sistema/quelvixempresa.ini"
printf '[Database]\r\nServidor=\r\npath=%s\r\nname=ERP.FDB\r\n' "$JANELAS_DADOS" >"$ERP/Dados/servidor.ini"

"${EMULADOR[@]}" xvfb-run -a -s "-screen 0 1400x900x24 -nolisten tcp" bash -c "
  set -euo pipefail
  source '$RAIZ/scripts/wine-comum.sh'
  prepara_prefixo
  MESA=(explorer /desktop=Captura,1400x900)
  tela() { xwd -root -silent | convert xwd:- -crop \"\$1\" +repage \"\$2\"; }
  cd '$ERP/Sistema'
  # The desktop first, on its own: the command that creates it lasts as long as the desktop.
  \"\$WINE\" \"\${MESA[@]}\" > '$ERP/mesa.txt' 2>&1 &
  for _ in \$(seq 1 150); do
    xwininfo -root -tree | grep -q 'Captura - Wine desktop' && break
    sleep 0.2
  done
  \"\$WINE\" \"\${MESA[@]}\" MonitorCTe.exe > '$ERP/monitor.txt' 2>&1 &
  \"\$WINE\" \"\${MESA[@]}\" '$PASTA/captura_tela.exe' fecha-erro > '$ERP/principal.txt'
  sleep 2
  tela \"\$(tr -d '\r' < '$ERP/principal.txt')\" '$RAIZ/docs/janela-principal.png'
  \"\$WINE\" \"\${MESA[@]}\" '$PASTA/captura_tela.exe' sair
  # A window the capture program keeps open while it is photographed at the place it prints.
  janela() {
    \"\$WINE\" \"\${MESA[@]}\" '$PASTA/captura_tela.exe' \"\$1\" > \"$ERP/\$1.txt\" &
    local programa=\$!
    for _ in \$(seq 1 100); do [ -s \"$ERP/\$1.txt\" ] && break; sleep 0.2; done
    sleep 2
    tela \"\$(tr -d '\r' < \"$ERP/\$1.txt\")\" \"\$2\"
    wait \$programa
  }
  janela espera '$RAIZ/docs/janela-esperando.png'
  janela aviso '$RAIZ/docs/aviso.png'
  encerra_wine"
echo "docs/janela-principal.png, docs/janela-esperando.png, docs/aviso.png"
