#!/usr/bin/awk -f
# Sums the bytes per host in an access log and prints the largest.

BEGIN {
    FS = " "
    limit = 10
    printf "%-20s %10s\n", "host", "bytes"
}

# Skip comments and malformed lines.
/^#/ || NF < 10 { next }

$9 ~ /^[45][0-9][0-9]$/ {
    errors[$1]++
}

{
    bytes[$1] += ($10 == "-" ? 0 : $10)
    total += $10
}

function human(n,    units, i) {
    split("B KB MB GB", units, " ")
    for (i = 1; n >= 1024 && i < 4; i++)
        n /= 1024
    return sprintf("%.1f%s", n, units[i])
}

END {
    for (host in bytes)
        if (bytes[host] > 0)
            printf "%-20s %10s\t%d errors\n", host, human(bytes[host]), errors[host]
    print "total:", human(total), "in", NR, "lines" > "/dev/stderr"
    gsub(/\./, "-", FILENAME)
}
