#!/usr/bin/env bash
# Runs a command in which 32-bit x86 programs run through qemu-i386: for kernels that run 64-bit
# code only, so the 32-bit Wine (and the product under it) runs all the same. The handler lives
# in the binfmt_misc of a user and mount namespace of the command's own: nothing else on the
# machine sees it, and it goes away with the command.
#   bash scripts/emula-i386.sh COMMAND [ARGUMENTS...]
set -euo pipefail
if [ "${1:-}" != --no-espaco-proprio ]; then
  exec unshare --user --map-root-user --mount --fork bash "$0" --no-espaco-proprio "$@"
fi
shift
QEMU=$(bash "$(dirname "$0")/qemu-i386.sh" caminho)
[ -x "$QEMU" ] || { echo "emula-i386: run 'qemu-i386.sh prepara' first" >&2; exit 1; }
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# ELF, 32-bit, little endian, executable or shared object, machine i386. F: qemu is opened now,
# so every program started inside, whatever its root or namespace, finds it.
MAGICA='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
MASCARA='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf ':i386:M::%s:%s:%s:F' "$MAGICA" "$MASCARA" "$QEMU" >/proc/sys/fs/binfmt_misc/register
exec "$@"
