# Sourced by the scripts: the build trees of the two architectures and which of
# them this machine can execute.
#   velk_tree ARCH              the build tree of x86 or x64
#   velk_runnable_archs         prints the architectures whose programs run here
#   velk_why_not_x86            why the 32-bit suite cannot run (empty when it can)

velk_tree() { echo "$root/build/$1"; }

# Some hypervisors refuse 32-bit code outright ("Exec format error"), and an
# emulator registered for it would be far too slow for a test bed: a tiny 32-bit
# program under a short time-out tells, without guessing from the machine's name.
velk_why_not_x86() {
  if [ ! -x /lib/ld-linux.so.2 ]; then
    echo "no 32-bit loader is installed"
  elif grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
    echo "32-bit code would run only under emulation"
  elif ! timeout 10 /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "this machine does not execute 32-bit code"
  fi
}

velk_runnable_archs() {
  [ -z "$(velk_why_not_x86)" ] && echo x86
  echo x64
}
