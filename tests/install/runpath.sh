#!/usr/bin/env bash
# Every program and library built has a RUNPATH of full or $ORIGIN-based folders only. An
# empty entry means the current folder and a relative one a folder below it: either lets a
# library planted where a user starts the program run inside it.
set -u
build=${VX5H_BUILD_DIR:?VX5H_BUILD_DIR names the build folder}
checked=0
bad=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" 2>/dev/null)" = $'\x7fELF' ] || continue
    checked=$((checked + 1))
    paths=$(readelf -d "$file" 2>/dev/null | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\2/p')
    [ -n "$paths" ] || continue
    # read drops one trailing empty field; the ':' added keeps a last empty entry seen.
    IFS=: read -r -a entries <<<"$paths:"
    for entry in "${entries[@]}"; do
        case $entry in
        /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
        *)
            echo "FAIL: ${file#"$build"/}: RUNPATH [$paths] has the entry '$entry'"
            bad=$((bad + 1))
            break
            ;;
        esac
    done
done < <(find "$build" -path "$build/CMakeFiles" -prune -o -type f \( -perm -u+x -o -name '*.so*' -o -name '*.DLL' \) -print0)
[ "$checked" -gt 0 ] || { echo "FAIL: no program found under $build"; exit 1; }
[ "$bad" -eq 0 ] || exit 1
echo "PASS: $checked programs and libraries"
