#!/usr/bin/env bash
# Certificates of the local provider service, made once per build tree: a test CA (ca.pem, and
# ca.der for the Wine prefix's root store), a server certificate it signed and a self-signed
# one that nothing trusts. Wine matches a host name only against DNS names, so 127.0.0.1 is one.
# usage: make-certs.sh OUTDIR
set -eu
mkdir -p "$1"
cd "$1"
[ -s ca.der ] && [ -s server.pem ] && [ -s untrusted.pem ] && exit 0
names="subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"
request() {
  openssl req -newkey rsa:2048 -nodes -sha256 -subj "/O=Nimbara Test/CN=$1" "${@:2}" 2>/dev/null
}
request "Nimbara Test CA" -x509 -days 3650 -keyout ca-key.pem -out ca.pem
request 127.0.0.1 -keyout server-key.pem | openssl x509 -req -CA ca.pem -CAkey ca-key.pem \
  -set_serial 2 -days 3650 -sha256 -extfile <(echo "$names") -out server.pem 2>/dev/null
request 127.0.0.1 -x509 -days 3650 -addext "$names" -keyout untrusted-key.pem -out untrusted.pem
openssl x509 -in ca.pem -outform DER -out ca.der
echo "test certificates made in $1"
