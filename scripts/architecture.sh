#!/usr/bin/env bash
# Draws the folder graph of docs/architecture.md from the code: each folder of the layer table of
# scripts/check-layers.sh, and an arrow from a folder to each folder it includes from (dotted when
# only its window files do). Prints the graph (mermaid); --write puts it into docs/architecture.md,
# --check fails when the graph there is not the code's.
set -euo pipefail
cd "$(dirname "$0")/.."
document=docs/architecture.md
begin='<!-- graph: scripts/architecture.sh --write -->'
end='<!-- end of graph -->'

graph() {
    echo '```mermaid'
    echo 'flowchart TD'
    scripts/check-layers.sh --edges | awk '
        function id(folder) { gsub("/", "_", folder); return folder }
        $1 == "layer" { print "    " id($2) "[\"" $2 "/\"]"; if ($3 != "core") print "    class " id($2) " " $3 }
        $1 == "edge" { print "    " id($2) ($4 == "windows" ? " -.-> " : " --> ") id($3) }'
    echo '    classDef ui fill:#fde2c8,stroke:#b36b00'
    echo '    classDef headless fill:#d6ecd2,stroke:#2e7d32'
    echo '```'
}

# The document with its graph replaced by the code's.
redrawn() {
    local drawn
    drawn=$(graph)
    grep -qxF "$begin" "$document" && grep -qxF "$end" "$document" \
        || { echo "architecture.sh: $document has no $begin ... $end" >&2; return 1; }
    DRAWN=$drawn awk -v begin="$begin" -v end="$end" '
        $0 == begin { print; print ENVIRON["DRAWN"]; skip = 1; next }
        $0 == end { skip = 0 }
        !skip' "$document"
}

case ${1:-} in
--write)
    text=$(redrawn)
    printf '%s\n' "$text" >"$document"
    ;;
--check)
    text=$(redrawn)
    if [ "$text" != "$(<"$document")" ]; then
        echo "$document: the folder graph is not the code's; run scripts/architecture.sh --write" >&2
        diff <(printf '%s\n' "$text") "$document" >&2 || true
        exit 1
    fi
    ;;
"") graph ;;
*)
    echo "usage: scripts/architecture.sh [--write|--check]" >&2
    exit 2
    ;;
esac
