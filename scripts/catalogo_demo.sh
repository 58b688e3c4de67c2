#!/usr/bin/env bash
# Makes the demo catalogue: small real app bundles whose executable is a script that
# keeps running, zipped, and a manifest with their digests and sizes. Also an older
# copy of one app, so the demo has an update to install.
#   catalogo_demo.sh CARPETA
set -euo pipefail
salida=${1:?carpeta de salida}
rm -rf "$salida"
mkdir -p "$salida/anteriores"
obra=$(mktemp -d)
trap 'rm -rf "$obra"' EXIT

# bundle ID NOMBRE BUNDLE_ID VERSION BUILD DESTINO
bundle() {
  local id=$1 nombre=$2 ident=$3 version=$4 build=$5 destino=$6
  local app="$destino/$nombre.app"
  mkdir -p "$app/Contents/MacOS"
  cat >"$app/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleIdentifier</key><string>$ident</string>
  <key>CFBundleName</key><string>$nombre</string>
  <key>CFBundleShortVersionString</key><string>$version</string>
  <key>CFBundleExecutable</key><string>$id</string>
  <key>OrvoBuild</key><string>$build</string>
</dict></plist>
PLIST
  # A demo app does nothing but stay open; it leaves by itself after ten minutes.
  cat >"$app/Contents/MacOS/$id" <<'SH'
#!/bin/sh
trap 'exit 0' TERM INT
i=0
while [ $i -lt 600 ]; do sleep 1; i=$((i + 1)); done
SH
  chmod 755 "$app/Contents/MacOS/$id"
}

entradas=()
# app ID NOMBRE VERSION BUILD NOVEDAD
app() {
  local id=$1 nombre=$2 version=$3 build=$4 novedad=$5
  rm -rf "$obra/$id" && mkdir -p "$obra/$id"
  bundle "$id" "$nombre" "com.orvo.$id" "$version" "$build" "$obra/$id"
  (cd "$obra/$id" && zip -qry "$salida/$id.zip" "$nombre.app")
  local sha tam
  sha=$(sha256sum "$salida/$id.zip" | cut -d' ' -f1)
  tam=$(stat -c %s "$salida/$id.zip")
  entradas+=("{\"id\": \"$id\", \"nombre\": \"$nombre\", \"bundle\": \"com.orvo.$id\",
     \"app\": \"$nombre.app\", \"version\": \"$version\", \"build\": \"$build\",
     \"url\": \"$id.zip\", \"sha256\": \"$sha\", \"tam\": $tam, \"novedades\": [\"$novedad\"]}")
}

app video "Orvo Video" 2.4.1 241 "Exportación más rápida"
app slides "Orvo Slides" 1.9.0 190 "Plantillas nuevas"
app notas "Orvo Notas" 0.8.2 82 "Sincroniza etiquetas"
bundle video "Orvo Video" com.orvo.video 2.3.0 230 "$salida/anteriores"

{
  printf '{\n  "formato": "orvo-suite",\n  "version": 1,\n  "apps": [\n    '
  (IFS=,; printf '%s' "${entradas[*]}" | sed 's/},{/},\n    {/g')
  printf '\n  ]\n}\n'
} >"$salida/orvo-suite.json"
