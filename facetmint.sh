#!/usr/bin/env bash
# Facetmint's one entry point: installs what the build needs, builds, then runs the program
# or the test suite.
#
#   ./facetmint.sh [ARGS...]         set up, build into build/ and start facetmint ARGS...
#   ./facetmint.sh test              set up, build and run the whole suite through ctest
#   ./facetmint.sh test --sanitize   the same in an ASan+UBSan clang build (build-asan/),
#                                    with each fuzz target run briefly over its corpus
#   ./facetmint.sh bench [FILTER]    build and run the benchmarks in release (build-bench/)
#   ./facetmint.sh fuzz TARGET [SECONDS]   fuzz one target (build-fuzz/)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
root=$PWD

# Debian 12 packages the build, the tests and the program need.
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-dejavu-core fonts-noto-cjk
  libpng-dev zlib1g-dev libjpeg-dev libtiff-dev libgif-dev libopenjp2-7-dev
  libepoxy-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri libgles-dev
  libsdl2-dev libgtk-3-dev libwayland-dev xdg-utils libassimp-dev assimp-testmodels
  nlohmann-json3-dev
  python3 python3-pil python3-cairo icoutils icnsutils pngcheck xvfb xauth xdotool x11-utils
  libxfixes3 locales gettext
)

log() { printf 'facetmint: %s\n' "$*" >&2; }

install_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { log "run as root or install sudo to install packages"; exit 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# The locales the window's language tests start it in. Generated once; a present locale is
# left as it is.
generate_locales() {
  local name have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  for name in en_US zh_CN; do
    grep -qx "${name,,}.utf8" <<<"$have" && continue
    log "generating the locale $name.UTF-8"
    "${sudo[@]}" localedef -i "$name" -f UTF-8 "$name.UTF-8"
  done
}

njobs() { nproc 2>/dev/null || echo 2; }

# build DIR [cmake options...]: configure on the first build and whenever the options change,
# then build incrementally. Warnings are errors here (a plain CMake build only warns).
build() {
  local dir=$1; shift
  local options=(-DFACETMINT_WERROR=ON "$@")
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/facetmint-options" 2>/dev/null)" != "${options[*]}" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "${options[@]}" >/dev/null
    printf '%s\n' "${options[*]}" >"$dir/facetmint-options"
  fi
  cmake --build "$dir" -j "$(njobs)"
}

run_tests() {
  local dir=$1
  ctest --test-dir "$dir" -j "$(njobs)" --output-on-failure --timeout 600 "${@:2}"
}

cmd=${1:-}
case "$cmd" in
  test)
    shift
    install_packages
    generate_locales
    if [ "${1:-}" = "--sanitize" ]; then
      shift
      # intercept_tls_get_addr=0: this LeakSanitizer misreads the dynamic TLS blocks of the
      # GL driver's libraries under Debian 12's glibc (a bogus range, then its stop-the-world
      # crashes after the test passed); those blocks are then not scanned, which costs no
      # leak report here.
      export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0}
      export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
      export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
      build build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DFACETMINT_SANITIZE=ON -DFACETMINT_FUZZ=ON -DFACETMINT_BENCH=OFF
      run_tests build-asan "$@"
    else
      build build -DFACETMINT_BENCH=OFF
      run_tests build "$@"
    fi
    ;;
  bench)
    shift
    # The peer pipeline bench_startup compares with: F3D renders, ImageMagick and png2icns
    # make the icon files.
    packages+=(f3d imagemagick)
    install_packages
    build build-bench -DCMAKE_BUILD_TYPE=Release -DFACETMINT_TESTS=OFF
    for b in build-bench/bench/bench_*; do
      [ -x "$b" ] || continue
      if [ "$(basename "$b")" = bench_startup ]; then
        # F3D needs an X display, even to render into a file.
        if [ -n "${DISPLAY:-}" ]; then "$b"; else xvfb-run -a "$b"; fi
      else
        "$b" --benchmark_filter="${1:-.}"
      fi
    done
    ;;
  fuzz)
    shift
    target=${1:?usage: ./facetmint.sh fuzz TARGET [SECONDS]}
    seconds=${2:-300}
    install_packages
    build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DFACETMINT_SANITIZE=ON -DFACETMINT_FUZZ=ON \
      -DFACETMINT_BENCH=OFF -DFACETMINT_TESTS=OFF
    work=build-fuzz/corpus/$target
    mkdir -p "$work"
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=2048 "$work" "fuzz/corpus/$target"
    ;;
  *)
    install_packages
    build build -DFACETMINT_BENCH=OFF
    exe=build/app/facetmint
    if [ -x "$exe" ]; then
      exec "$exe" "$@"
    fi
    log "built: $(cd build && ls ./*/libfacetmint_*.a 2>/dev/null | tr '\n' ' ')"
    log "the facetmint program is not built yet"
    ;;
esac
