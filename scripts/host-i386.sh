# Sourced by scripts/install-deps.sh and scripts/test-windows.sh: whether this machine can
# run 32-bit x86 programs at all. Some kernels are built without 32-bit support; there every
# 32-bit program, the 32-bit wine loader included, fails with "Exec format error", and
# Debian's `wine` tries that loader first whenever it is installed, 64-bit programs too.

# The smallest 32-bit Linux program there is: no library, no loader, just the system call
# exit(42) through the 32-bit gate (int 0x80). Only a kernel that runs 32-bit programs
# gives back 42.
I386_PROBE_ELF=f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A

# Succeeds where the kernel runs 32-bit programs. The probe is tried from the temporary
# folder and, where that one is mounted noexec, from the project's own folder.
host_runs_i386() {
    local folder dir status
    for folder in "${TMPDIR:-/tmp}" "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"; do
        dir=$(mktemp -d "$folder/vx5h-i386.XXXXXX" 2>/dev/null) || continue
        base64 -d <<<"$I386_PROBE_ELF" >"$dir/probe" && chmod 700 "$dir/probe"
        status=0
        timeout 10 "$dir/probe" >/dev/null 2>&1 || status=$?
        rm -rf "$dir"
        [ "$status" = 42 ] && return 0
        # 126: not run at all. Exec format error (no 32-bit support) and a noexec mount
        # look alike here, so only a folder where programs may run decides.
        [ "$status" = 126 ] && [ -n "$(findmnt -no OPTIONS -T "$folder" 2>/dev/null | grep -w noexec)" ] && continue
        return 1
    done
    return 1
}

# Installed packages of the 32-bit wine (and the i386 packages a failed install of it left
# half-configured), as dpkg names them.
i386_wine_packages() {
    dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Status}\n' 2>/dev/null |
        awk '$1 ~ /:i386$/ && ($1 ~ /^(wine32|libwine):/ || ($2 != "installed" && $2 != "not-installed" && $2 != "config-files")) {print $1}'
}
