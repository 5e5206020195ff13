# Sourced by the scripts that take Debian packages without installing them: apt with files of
# the script's own under FOLDER/apt (its sources, lists, cache and status), the archive the
# machine's own release comes from and the machine's keys only read.
#   apt_privado FOLDER SUITE   SUITE may say "@" for the machine's codename ("@-backports");
#                              sets APT_PRIVADO to apt-get's options for that folder
apt_privado() {
  local pasta=$1 suite=$2 codinome arquivo
  codinome=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codinome" ] || { echo "the machine's Debian release is unknown" >&2; return 1; }
  arquivo=$(apt-get indextargets --format '$(SITE)|$(RELEASE)' 2>/dev/null |
    awk -F'|' -v s="$codinome" '$2 == s { print $1; exit }')
  [ -n "$arquivo" ] || { echo "no archive of $codinome among the machine's sources" >&2; return 1; }
  mkdir -p "$pasta/apt/listas/partial" "$pasta/apt/cache/archives/partial"
  : >"$pasta/apt/status"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $arquivo ${suite//@/$codinome} main" \
    >"$pasta/apt/sources.list"
  APT_PRIVADO=(
    -o Dir::Etc::SourceList="$pasta/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$pasta/apt/listas" -o Dir::State::status="$pasta/apt/status"
    -o Dir::State::extended_states="$pasta/apt/estados" -o Dir::Cache="$pasta/apt/cache"
    -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts=/dev/null
    -o Debug::NoLocking=true -o APT::Sandbox::User="$(id -un)"
  )
}
