#!/usr/bin/env bash
# Certificates of the local provider service, made once per build tree: a test CA that the Wine
# prefix trusts and a server certificate it signed for 127.0.0.1 and localhost, and a second CA
# that nothing trusts with its own server certificate, for the refusal tests. 127.0.0.1 is also
# a DNS name of the server certificate: Wine matches a host name only against DNS names. ca.der is the
# trusted CA in the form the installer program reads.
# usage: make-certs.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
cd "$out"

all="ca.pem ca-key.pem ca.der server.pem server-key.pem untrusted-ca.pem untrusted-ca-key.pem
  untrusted-server.pem untrusted-server-key.pem"
missing=0
for f in $all; do
  [ -s "$f" ] || missing=1
done
[ "$missing" = 0 ] && exit 0

days=3650
# ca NAME SUBJECT: a self-signed certificate authority.
ca() {
  openssl req -x509 -new -newkey rsa:2048 -nodes -sha256 -days "$days" -set_serial 1 \
    -subj "$2" -keyout "$1-key.pem" -out "$1.pem" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -addext "subjectKeyIdentifier=hash" 2>/dev/null
}
# server NAME CA SERIAL: a server certificate for 127.0.0.1 and localhost signed by CA.
server() {
  openssl req -new -newkey rsa:2048 -nodes -sha256 -subj "/O=Nimbara Test/CN=127.0.0.1" \
    -keyout "$1-key.pem" -out "$1.csr" 2>/dev/null
  cat >"$1.ext" <<'EOF'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost
authorityKeyIdentifier=keyid
subjectKeyIdentifier=hash
EOF
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2-key.pem" -set_serial "$3" \
    -days "$days" -sha256 -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}

rm -f $all
ca ca "/O=Nimbara Test/CN=Nimbara Test CA"
server server ca 2
ca untrusted-ca "/O=Nimbara Test/CN=Nimbara Untrusted Test CA"
server untrusted-server untrusted-ca 3
# The untrusted server presents its CA along with its own certificate: the client then builds a
# whole chain that ends in a root it does not trust (12045), not a chain with a missing link,
# which WinINet reports as a revocation failure (12057).
cat untrusted-ca.pem >>untrusted-server.pem
openssl x509 -in ca.pem -outform DER -out ca.der
chmod 600 ./*-key.pem
echo "test certificates made in $out"
