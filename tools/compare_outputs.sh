#!/usr/bin/env bash
# Converts and checks the bundled samples and the real New-Format scans with
# every format, output, wavelength source and label source, with and without
# interpolation, into OUT (outputs, stderr and exit codes). Run it with a
# reference binary and with the current one, then compare the two folders:
#   tools/compare_outputs.sh REF_BIN /tmp/out-ref
#   tools/compare_outputs.sh build/release/corvelane /tmp/out-new
#   diff -r /tmp/out-ref /tmp/out-new && echo identical
# With a third argument REF_OUT it compares at the end and exits 1 on a difference.
set -u
bin=$1 out=$2 ref=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
samples=$here/samples
real=$here/../shared/realdata/unispec-spu
[ -d "$real" ] || real=/work/shared/realdata/unispec-spu
rm -rf "$out" && mkdir -p "$out"

outputs_of() {
  case $1 in
    unispec-old|unispec-new) echo "reflectance absorbance target reference" ;;
    unispec-compact) echo "reflectance" ;;
    *) echo "reflectance absorbance" ;;
  esac
}
waves_of() {
  case $1 in
    unispec-*) echo "external=$samples/waves-unispec-256.txt|equation=301.1004976,3.326823976,-0.0002851923768" ;;
    ger1500) echo "external=$samples/waves-ger1500-512.txt|equation=299.7,1.5688,-0.0000022" ;;
    ger2600) echo "external=$samples/waves-ger2600-594.txt|equation=350,1.9,0.0003" ;;
  esac
}

run() {  # name, then the arguments
  local name=$1; shift
  "$bin" "$@" >"$out/$name.stdout" 2>"$out/$name.stderr"
  echo $? >"$out/$name.rc"
}

convert_set() {  # tag format files...
  local tag=$1 fmt=$2; shift 2
  local sources="file|$(waves_of "$fmt")"
  local i=0
  IFS='|' read -r -a list <<<"$sources"
  for w in "${list[@]}"; do
    i=$((i + 1))
    for interp in yes no; do
      for label in default header path; do
        case $fmt in unispec-*) ;; *) [ "$label" = default ] || continue ;; esac
        local name=$tag-w$i-$interp-$label args=()
        for m in $(outputs_of "$fmt"); do args+=(--"$m" "$out/$name.$m.txt"); done
        [ "$interp" = no ] && args+=(--no-interpolate)
        [ "$label" = default ] || args+=(--label "$label")
        run "$name" convert "$fmt" "$@" --waves "$w" "${args[@]}"
      done
    done
    run "$tag-w$i-start0" convert "$fmt" "$@" --waves "$w" --start-channel 0 --reflectance "$out/$tag-w$i-start0.txt"
  done
  run "$tag-grid" convert "$fmt" "$@" --grid 500,900,0.5 --waves "${list[$((${#list[@]} - 1))]}" \
    --reflectance "$out/$tag-grid.txt"
  case $fmt in
    unispec-old|unispec-new)
      run "$tag-leaf" convert "$fmt" "$@" --leaf-header "$samples/leaf-header.txt" --reflectance "$out/$tag-leaf.txt" ;;
  esac
  for label in default header path; do
    case $fmt in unispec-*) ;; *) [ "$label" = default ] || continue ;; esac
    local largs=()
    [ "$label" = default ] || largs=(--label "$label")
    run "$tag-check-$label" check "$fmt" "$@" --errors "$out/$tag-check-$label.err" "${largs[@]}"
  done
}

for fmt in unispec-old unispec-new unispec-compact ger1500 ger2600; do
  convert_set "$fmt" "$fmt" "$samples/$fmt"/*
  # Every sample of every format read as every other format: failures must match too.
  for other in unispec-old unispec-new unispec-compact ger1500 ger2600; do
    [ "$other" = "$fmt" ] && continue
    run "cross-$fmt-as-$other" convert "$other" "$samples/$fmt"/* --waves "$(waves_of "$other" | cut -d'|' -f2)" --reflectance "$out/cross-$fmt-as-$other.txt"
    run "cross-check-$fmt-as-$other" check "$other" "$samples/$fmt"/* --errors "$out/cross-check-$fmt-as-$other.err"
  done
done
convert_set real-spu unispec-new "$real"/*.spu
(cd "$here" && "$bin" samples "$out/samples-command" >"$out/samples-command.stdout" 2>&1; echo $? >"$out/samples-command.rc")
# Paths differ between binaries only by the output folder; keep them comparable.
sed -i "s#$out#OUT#g" "$out"/*.stdout "$out"/*.stderr 2>/dev/null

if [ -n "$ref" ]; then
  if diff -r "$ref" "$out" >/dev/null; then
    echo "identical: $(ls "$out" | wc -l) files"
  else
    diff -rq "$ref" "$out" | head -20
    exit 1
  fi
fi
