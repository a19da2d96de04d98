# Sourced by the end-to-end tests: require_tools TOOL... ends the test when a tool is missing,
# as a failure under CI (scripts/install-deps.sh installs them all) and elsewhere as a skip
# (exit 77, which CTest reports as skipped).
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            if [ "${CI:-}" = true ]; then
                echo "FAILED: $tool is not installed (scripts/install-deps.sh installs it)"
                exit 1
            fi
            echo "skipped: $tool is not installed"
            exit 77
        fi
    done
}
