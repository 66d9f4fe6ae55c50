#!/usr/bin/env bash
# Installs every Debian package the project needs, and makes sure that 32-bit
# x86 programs run, as 32-bit Wine (and so the product, a 32-bit Windows
# program) needs. Safe to run again: it does nothing when all is in place.
#
# Some kernels run no 32-bit programs at all. There it installs qemu-user from
# bookworm-backports (adding that suite of the machine's own Debian archive to
# apt's sources when missing), mounts binfmt_misc when it is not mounted and
# registers qemu-i386 for i386 programs, and says so in one line with the way
# to undo it. Where 32-bit programs run, natively or already emulated, it
# changes nothing there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build git python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev hyperfine
  clang libclang-rt-14-dev g++-multilib
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine32:i386 wine64 xvfb imagemagick fonts-wine file openssl
)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")  # bookworm
backports=$codename-backports
# qemu-user 10 runs 32-bit Wine well; bookworm's own 7.2 takes about 55 s to
# start each program and does not deliver exceptions.
qemu_version_needed=1:10
binfmt=/proc/sys/fs/binfmt_misc
qemu_i386_conf=/usr/share/qemu/binfmt.d/qemu-i386.conf

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_updated=false
done_here=()  # what this run changed, and the commands that undo it
undo_here=()  # latest first

apt_update() {
  $apt_updated || $sudo apt-get update -qq
  apt_updated=true
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}

# The arguments after the first, separated by the first.
joined() {
  local separator=$1 result=$2 part
  shift 2
  for part in "$@"; do result+="$separator$part"; done
  echo "$result"
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

install_packages() {
  local p missing=()
  for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  apt_update
  apt_install "${missing[@]}"
}

# ---- 32-bit programs under qemu-user, where the kernel runs none itself ----

# The URI of the archive that apt's sources name for `suite`, if any.
archive_of_suite() {
  apt-get indextargets --no-release-info --format '$(RELEASE) $(REPO_URI)' 'Created-By: Packages' |
    awk -v suite="$1" '$1 == suite { print $2; exit }'
}

add_backports_suite() {
  local archive list
  [ -n "$(archive_of_suite "$backports")" ] && return
  archive=$(archive_of_suite "$codename")
  if [ -z "$archive" ]; then
    echo "install-deps: apt's sources name no Debian archive for $codename, to add $backports from" >&2
    exit 1
  fi
  list=/etc/apt/sources.list.d/$backports.sources
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$archive" "$backports" |
    $sudo tee "$list" >/dev/null
  [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] &&
    echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee -a "$list" >/dev/null
  apt_updated=false
  done_here+=("added $backports ($archive) as $list")
  undo_here=("rm $list" "${undo_here[@]}")
}

install_qemu_user() {
  local version
  version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
  if installed qemu-user && dpkg --compare-versions "$version" ge "$qemu_version_needed"; then return; fi
  add_backports_suite
  apt_update
  apt_install -t "$backports" qemu-user
  done_here+=("installed qemu-user $(dpkg-query -W -f='${Version}' qemu-user) from $backports")
  undo_here=("apt-get remove qemu-user" "${undo_here[@]}")
}

mount_binfmt_misc() {
  [ -e "$binfmt/register" ] && return
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  done_here+=("mounted binfmt_misc on $binfmt")
  undo_here=("umount $binfmt" "${undo_here[@]}")
}

# Registers qemu's own i386 entry, replacing an earlier one of that name
# (disabled, or made with an older qemu).
register_qemu_i386() {
  [ -e "$binfmt/qemu-i386" ] && echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
  $sudo tee "$binfmt/register" <"$qemu_i386_conf" >/dev/null
  done_here+=("registered $qemu_i386_conf with binfmt_misc")
  undo_here=("echo -1 > $binfmt/qemu-i386" "${undo_here[@]}")
}

# True when i386 programs run, natively or through a qemu-i386 of at least
# the version needed.
i386_programs_run_well() {
  local mode interpreter version
  mode=$(scripts/i386-mode.sh)
  case $mode in
    native) return 0 ;;
    none) return 1 ;;
  esac
  interpreter=${mode#emulated }
  [[ $interpreter == *qemu-i386* ]] || return 0  # another emulator, set up by the machine's owner
  version=$("$interpreter" --version | sed -n '1s/.* version \([0-9.]*\).*/\1/p')
  dpkg --compare-versions "1:$version" ge "$qemu_version_needed"
}

run_i386_programs() {
  i386_programs_run_well && return
  install_qemu_user
  mount_binfmt_misc
  register_qemu_i386
  if ! i386_programs_run_well; then
    echo "install-deps: 32-bit programs still do not run after: ${done_here[*]}" >&2
    exit 1
  fi
  echo "install-deps: this kernel runs no 32-bit programs, so it $(joined ', ' "${done_here[@]}")" \
    "(undo: $(joined '; ' "${undo_here[@]}"))."
}

install_packages
run_i386_programs
