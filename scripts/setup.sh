# Sourced by run.sh and test.sh: installs the Debian 12 packages the project
# needs when some are missing (as root; otherwise prints the command to run
# and stops), and configures and builds one build folder with Ninja.

FOTRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

FOTRA_PACKAGES=(
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-qpa-plugins
  libgl-dev libglx-dev libopengl-dev
  ninja-build cmake g++
  libgtest-dev libgmock-dev libbenchmark-dev libomp-dev
  fonts-noto-cjk xvfb xauth libexiv2-dev clang libclang-rt-14-dev
  qt6-translations-l10n
  libcli11-dev
  libtiff-dev liblcms2-dev libheif-dev libturbojpeg0-dev
  appstream desktop-file-utils
)

fotra_missing_packages() {
  local package
  for package in "${FOTRA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$package"
    fi
  done
}

fotra_install_packages() {
  local missing
  mapfile -t missing < <(fotra_missing_packages)
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Some packages are missing. Run as root:" >&2
    echo "apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# fotra_build FOLDER [CMAKE OPTIONS...]: configures FOLDER (inside the
# repository) with Ninja, Release unless the options say otherwise, and builds it.
fotra_build() {
  local folder="$FOTRA_ROOT/$1"
  shift
  cmake -S "$FOTRA_ROOT" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
  cmake --build "$folder" -j "$(nproc)"
}
