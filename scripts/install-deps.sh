#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Pelko need; skips what is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
    libqt6sql6-sqlite libsqlite3-dev unixodbc unixodbc-dev libsqliteodbc
    postgresql odbc-postgresql
    libpugixml-dev libgsf-1-dev mdbtools-dev
    python3 python3-xlwt python3-xlrd
    fonts-dejavu-core xvfb xauth locales
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

# The end-to-end tests run the program as a German user, whose locale writes decimal commas.
generate_german_locale() {
    if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
        echo "Generating the locale de_DE.UTF-8"
        "${sudo_cmd[@]}" localedef -i de_DE -c -f UTF-8 -A /usr/share/locale/locale.alias de_DE.UTF-8
    fi
}

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    generate_german_locale
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
generate_german_locale
