#!/usr/bin/env bash
# Screenshots for the documentation: the main window (docs/janela-principal.png), the same
# window while answers wait in Retorno (docs/janela-esperando.png), the notice dialog with its
# acknowledgement box (docs/aviso.png), the page of the day's occurrences with the balloon of its
# alerts (docs/ocorrencias.png), and the window of the end-to-end test after a real run
# against the Firebird server (docs/janela-em-servico.png), taken from the Windows program under
# Wine in a virtual desktop (where Wine draws the captions itself). Without a Firebird client
# the program shows why it cannot connect; that notice is answered first, so the first window
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
# The end-to-end window needs the server and the test bridge to the client library.
SERVIDOR_INICIADO=
if ! (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
  bash scripts/servidor-firebird.sh start
  SERVIDOR_INICIADO=1
fi
constroi_ponte_fbclient

ERP=$(mktemp -d)
trap 'rm -rf "$ERP"; [ -z "$SERVIDOR_INICIADO" ] || bash "$RAIZ/scripts/servidor-firebird.sh" stop' EXIT
mkdir -p "$ERP/Sistema" "$ERP/Dados"
cp "$PASTA/MonitorCTe.exe" "$ERP/Sistema/"
JANELAS_DADOS="Z:$(echo "$ERP/Dados" | tr / '\\')\\"
JANELAS_CAPTURA="Z:$(echo "$ERP/captura" | tr / '\\')"
printf '[IniServidor]\r\nnomearquivo=%sservidor.ini\r\n' "$JANELAS_DADOS" >"$ERP/Sistema/quelvixempresa.ini"
printf '[Database]\r\nServidor=\r\npath=%s\r\nname=ERP.FDB\r\n' "$JANELAS_DADOS" >"$ERP/Dados/servidor.ini"

"${EMULADOR[@]}" xvfb-run -a -s "-screen 0 1400x900x24 -nolisten tcp" bash -c "
  set -euo pipefail
  source '$RAIZ/scripts/wine-comum.sh'
  # Folders the end-to-end test makes, the server's user writes in.
  umask 000
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
  # The window of the end-to-end test once its answers are recorded in the ERP database on the
  # Firebird server, photographed while the test holds it.
  mkdir '$ERP/captura'
  QUELVIX_TESTE_CAPTURA='$JANELAS_CAPTURA' \"\$WINE\" \"\${MESA[@]}\" '$PASTA/testes_win32.exe' \
    --gtest_filter='MonitorCTe.ComCliente*' > '$ERP/servico.txt' 2>&1 &
  teste=\$!
  for _ in \$(seq 1 900); do [ -s '$ERP/captura/geometria.txt' ] && break; sleep 0.2; done
  [ -s '$ERP/captura/geometria.txt' ] || { cat '$ERP/servico.txt' >&2; exit 1; }
  sleep 1
  tela \"\$(tr -d '\r' < '$ERP/captura/geometria.txt')\" '$RAIZ/docs/janela-em-servico.png'
  touch '$ERP/captura/fotografada'
  wait \$teste || { cat '$ERP/servico.txt' >&2; exit 1; }
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
  janela ocorrencias '$RAIZ/docs/ocorrencias.png'
  encerra_wine"
echo "docs/janela-principal.png, docs/janela-esperando.png, docs/aviso.png," \
  "docs/janela-em-servico.png, docs/ocorrencias.png"
