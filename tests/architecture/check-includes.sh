#!/usr/bin/env bash
# Fails when a source file in src/ includes a folder its layer may not reach.
#   screens (catalogue, player, account, feeds, allmusic): their own folder,
#     protocol/ and platform/; catalogue/ also reaches player/
#   listens/: itself, protocol/ and platform/
#   protocol/: itself, platform/net/ and platform/system/
#   platform/: itself only
#   app/: everything but demo/;  demo/: everything
# Usage: check-includes.sh SRC_DIR
set -euo pipefail
src="${1:?usage: check-includes.sh SRC_DIR}"

allowed() {
    case "$1" in
        catalogue) echo "catalogue player protocol platform" ;;
        player|account|feeds|allmusic) echo "$1 protocol platform" ;;
        listens) echo "listens protocol platform" ;;
        protocol) echo "protocol platform/net platform/system" ;;
        platform) echo "platform" ;;
        app) echo "app catalogue player account feeds allmusic listens protocol platform" ;;
        demo) echo "*" ;;
        *) echo "" ;;
    esac
}

status=0
while IFS= read -r file; do
    rel="${file#"$src"/}"
    layer="${rel%%/*}"
    rules="$(allowed "$layer")"
    [ "$rules" = "*" ] && continue
    # Quoted includes that name a folder; a bare name is a file beside it or
    # a generated header.
    while IFS=: read -r line target; do
        [[ "$target" == */* ]] || continue
        ok=no
        for prefix in $rules; do
            [[ "$target" == "$prefix"/* ]] && ok=yes && break
        done
        if [ "$ok" = no ]; then
            echo "$rel:$line: $layer/ may not include \"$target\""
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" \
             | sed 's/^\([0-9]*\):.*"\(.*\)".*/\1:\2/' || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$status" -ne 0 ]; then
    echo "include directions: broken (see above)"
else
    echo "include directions: every include goes a way its layer allows"
fi
exit "$status"
