#!/bin/bash
# The README's secured gateway steps, run as written in a fresh folder: from
# making keys/ to asking the gateway over TLS with the read token. Only the
# port differs (a free one for 8443), and $gateway is the gateway built.
set -euo pipefail
readme=$1
gateway=$2
work=$(mktemp -d)
trap 'for job in $(jobs -p); do kill "$job" 2>/dev/null || true; done; rm -rf "$work"' EXIT
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])')
awk '/^    mkdir -p keys && chmod 700 keys$/ {on = 1} on && !/^    / {exit} on {print substr($0, 5)}' "$readme" |
    sed "s/8443/$port/g" > "$work/steps.sh"
grep -q -- '--tls-key keys/gateway.key' "$work/steps.sh" || { echo "the README's secured steps are not found"; exit 1; }
cd "$work"
# shellcheck disable=SC1091
. ./steps.sh > answer.txt
grep -q '^presence_gateway_open_connections 1$' answer.txt || { echo "no metrics over TLS:"; cat answer.txt; exit 1; }
