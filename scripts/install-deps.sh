#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only
# when one of them is missing, so a fresh Debian 12 machine needs nothing else.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  # The tests are built with clang: under the sanitizers it compiles them in
  # about half the time g++ takes. Its sanitizer runtimes are a separate package.
  clang libclang-rt-14-dev
  minimodem multimon-ng sox tzdata locales
  swaks postfix python3 python3-aiosmtpd telnet
)

# The tests run the station under a comma-decimal language.
test_locale=de_DE.UTF-8

has_test_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)) && has_test_locale; then
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *" postfix "* ]]; then
    # Only for smtp-source: no mail server set up, nothing to answer.
    echo "postfix postfix/main_mailer_type select No configuration" |
      "${sudo_cmd[@]}" debconf-set-selections
  fi
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if ! has_test_locale; then
  echo "install-deps: generating the $test_locale locale"
  if ! grep -qx "$test_locale UTF-8" /etc/locale.gen 2>/dev/null; then
    echo "$test_locale UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen
fi
