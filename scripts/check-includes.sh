#!/usr/bin/env bash
# Fails when a file includes a header of a folder its layer may not use: the layers' includes
# point down only (the README's layout table). The build refuses such an include as well; this
# says which line, before anything is compiled.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each folder, then the folders whose headers it may include (its own first).
declare -A allowed=(
    [model]="model"
    [link]="link model"
    [store]="store model"
    [widgets]="widgets"
    [control]="control link store model"
    [host]="host control link store model"
    [navigation]="navigation host control widgets link store model"
    [panels]="panels host control widgets link store model"
    [bus]="bus panels host control widgets link store model"
    [tools/tarnelctl]="tarnelctl bus"
    [shell]="shell bus phone panels navigation host control widgets link store model osc"
    [osc]="osc shell control host widgets link store model"
    [phone]="phone control widgets link store model"
    [sim]="sim link model"
    [tests/support]="support host control link store model"
)

status=0
checked=0
for folder in "${!allowed[@]}"; do
    while IFS= read -r file; do
        checked=$((checked + 1))
        # Quoted includes that name a folder: "folder/Name.h" (or "../...", which escapes).
        while IFS=: read -r line text; do
            used=${text#*\"}
            used=${used%%/*}
            if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
                echo "$file:$line: $folder/ may not include $used/ (it may: ${allowed[$folder]})"
                status=1
            fi
        done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$file" || true)
    done < <(git ls-files "$folder/*.cpp" "$folder/*.h")
done
[ $status -eq 0 ] && echo "includes: $checked files point down only"
exit $status
