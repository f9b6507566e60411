#!/usr/bin/env bash
# Checks KESTREL as a user gets it: builds, installs into a temporary prefix and, with
# only that prefix's bin/ and the system's on the PATH, runs every tool's --version, the
# installed example and the installed workflow on it, and renders every manual page
# without a warning; then builds the Debian package and lists it. Run as root, it also
# installs the package with apt-get, runs a tool from /usr/bin and removes it again.
#   scripts/check_install.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$root" && mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(sed -n 's/^project(kestrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

cmake -S "$root" -B "$build" > /dev/null
cmake --build "$build" -j2 > /dev/null
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
export PATH=$prefix/bin:/usr/bin:/bin

echo "== installed tools and manual pages"
tools=$(cd "$prefix/bin" && ls)
for tool in $tools; do
  [ "$(command -v "$tool")" = "$prefix/bin/$tool" ] || fail "$tool is not found on the PATH"
  [ "$("$tool" --version)" = "$tool $version" ] || fail "$tool --version does not print $version"
  page=$prefix/share/man/man1/$tool.1
  [ -f "$page" ] || fail "$tool has no manual page"
  warnings=$(groff -ww -z -man "$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  MANWIDTH=80 man -l "$page" 2>&1 > /dev/null | { ! grep .; } || fail "man -l $page warns"
done
echo "$tools" | tr '\n' ' '; echo

echo "== the installed example"
mkdir "$tmp/example" && cp "$prefix/share/doc/kestrel/examples/"* "$tmp/example/"
(cd "$tmp/example" && kestrel < answers > console.log)
grep -qx 'KESTREL done.' "$tmp/example/console.log" || fail "the example did not finish: $tmp/example/console.log"
tail -1 "$tmp/example/example.kstl" | grep -q '^Bad codons: ' || fail "the example's output has no summary"

echo "== the installed workflow, tools from the PATH"
if command -v snakemake > /dev/null; then
  mkdir -p "$tmp/workflow/genomes" && cp "$prefix/share/doc/kestrel/examples/example.gb" "$tmp/workflow/genomes/"
  (cd "$tmp/workflow" && snakemake -s "$prefix/share/kestrel/workflow/Snakefile" --cores 2 \
     --config genomes=genomes > snakemake.log 2>&1) || { tail -20 "$tmp/workflow/snakemake.log"; fail "the workflow failed"; }
  rows=$(tail -n +2 "$tmp/workflow/results/genes.tsv" | wc -l)
  [ "$rows" -gt 0 ] || fail "the workflow's genes.tsv holds no gene"
  echo "genes.tsv: $rows genes"
else
  echo "SKIPPED: snakemake is not installed"
fi

echo "== the Debian package"
(cd "$build" && cpack -G DEB -B "$tmp/package" > "$tmp/cpack.log") || { cat "$tmp/cpack.log"; fail "cpack failed"; }
deb=$tmp/package/kestrel_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Depends Suggests
dpkg-deb -c "$deb" | awk '{ print $NF }' > "$tmp/contents"
for path in ./usr/bin/kestrel ./usr/bin/kestrel-coa ./usr/bin/kestrel-compare ./usr/bin/kestrel-growth \
            ./usr/bin/kestrel-lookup ./usr/bin/kestrel-reference ./usr/bin/kestrel-table ./usr/bin/kestrel-plot \
            ./usr/share/man/man1/kestrel-reference.1 ./usr/share/man/man1/kestrel-growth.1 \
            ./usr/share/man/man1/kestrel-coa.1 ./usr/share/man/man1/kestrel-compare.1 ./usr/bin/kestrel-genome \
            ./usr/share/man/man1/kestrel-genome.1 \
            ./usr/share/man/man1/kestrel.1 ./usr/share/kestrel/workflow/Snakefile \
            ./usr/share/doc/kestrel/manual.md ./usr/share/doc/kestrel/examples/answers; do
  grep -qxF "$path" "$tmp/contents" || fail "the package lacks $path"
done
echo "$(wc -l < "$tmp/contents") entries"

if [ "$(id -u)" = 0 ]; then
  echo "== apt-get install and remove"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log"; fail "apt-get install failed"; }
  # A failure below still removes the package.
  trap 'apt-get remove -y -qq kestrel > /dev/null 2>&1 || true; rm -rf "$tmp"' EXIT
  [ "$(/usr/bin/kestrel-table --version)" = "kestrel-table $version" ] || fail "/usr/bin/kestrel-table --version"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq kestrel > /dev/null
  trap 'rm -rf "$tmp"' EXIT
  [ ! -e /usr/bin/kestrel-table ] || fail "apt-get remove left /usr/bin/kestrel-table"
else
  echo "SKIPPED: apt-get install (not root)"
fi
echo "install check passed"
